#!/usr/bin/python3
# Test receiver built on GTK 3: an entry in a window of the given title; each line confirmed
# with Return is appended to the output file.
#
# Usage: gtk_receiver.py <window title> <output file>
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

title, path = sys.argv[1:3]
window = Gtk.Window(title=title)
entry = Gtk.Entry()


def confirmed(widget):
    with open(path, "a", encoding="utf-8") as out:
        out.write(widget.get_text() + "\n")
    widget.set_text("")


entry.connect("activate", confirmed)
window.add(entry)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
