#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tarvolin need.
# Packages already present are not touched; nothing is downloaded when all are there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  # GUI, X11 backend
  qt6-base-dev libx11-dev libxtst-dev
  # headless X server and clients for the X11 and end-to-end tests, fonts for rendering
  xvfb xauth openbox xterm xdotool x11-utils x11-xkb-utils
  fonts-dejavu-core fonts-liberation2
  # a GTK program as a receiver of typed keys
  python3-gi gir1.2-gtk-3.0
  # Wayland backend: client library, protocol definitions, keymaps, Qt's Wayland platform
  libwayland-dev wayland-protocols libxkbcommon-dev qt6-wayland
  # headless Wayland compositor and a native terminal for the Wayland tests; the desktop portal
  # with a session bus and a test backend written in Python
  sway foot xdg-desktop-portal dbus-daemon python3-dbus
  # PDF pages to pictures in report tests, pseudo-terminal tooling
  poppler-utils socat
  # the program icon's bitmap sizes, rendered from its drawing at build time
  librsvg2-bin
  # the audit trail: SHA-256 from libcrypto, its records through a JSON library (header-only)
  libssl-dev nlohmann-json3-dev
  # the Debian package: dependencies from the shared libraries, its checks
  dpkg-dev file lintian desktop-file-utils appstream
  # Windows cross-build (the -posix thread model has std::thread) and its tests under Wine
  g++-mingw-w64-x86-64-posix googletest wine wine64
  # the Windows installer package (wixl) and its checks (msiinfo)
  msitools wixl
  # Wine's own fonts (its bitmap "MS Sans Serif" among them) for the windows under Wine; a
  # picture format converter for the screenshots taken there
  fonts-wine imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
