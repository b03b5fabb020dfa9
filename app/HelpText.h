// The help document (HTML) as the plain text a help window without a browser (Win32) shows: block
// elements become lines, list items bullets, table cells tab-separated, entities decoded and white
// space collapsed as a browser would, and every anchor (name or id) becomes the text offset of its
// line.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

struct THelpText {
  // Lines end in CR LF, as a multi-line edit control wants them.
  std::u16string Text;
  std::map<std::string, size_t> Anchors;
};

THelpText HelpTextFromHtml(std::u16string_view html);
