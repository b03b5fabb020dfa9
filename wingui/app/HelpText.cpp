#include "wingui/app/HelpText.h"

#include <cstdint>
#include <vector>

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::string Ascii(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(Lower(c)) : '?';
  return out;
}

std::string AsciiKeepCase(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// `entity` without '&' and ';'. Unknown entities stay as written.
void AppendEntity(std::u16string& out, std::u16string_view entity) {
  const std::string name = AsciiKeepCase(entity);
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    uint32_t cp = 0;
    bool ok = name.size() > (hex ? 2u : 1u);
    for (size_t i = hex ? 2 : 1; ok && i < name.size(); ++i) {
      const char c = name[i];
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      ok = digit >= 0 && cp <= 0x10FFFF;
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    if (ok) {
      AppendCodePoint(out, cp);
      return;
    }
  }
  static const std::map<std::string, char16_t> named = {
      {"amp", u'&'},   {"lt", u'<'},        {"gt", u'>'},         {"quot", u'"'},
      {"apos", u'\''}, {"nbsp", u'\u00A0'}, {"ndash", u'\u2013'}, {"mdash", u'\u2014'},
  };
  if (auto it = named.find(name); it != named.end()) {
    out += it->second;
    return;
  }
  out += u'&';
  out += entity;
  out += u';';
}

struct TTag {
  std::string name;
  bool closing = false;
  std::map<std::string, std::u16string> attributes;
};

// Parses the tag that starts at html[pos] == '<'; pos ends after its '>'.
TTag ParseTag(std::u16string_view html, size_t& pos) {
  TTag tag;
  size_t i = pos + 1;
  if (i < html.size() && html[i] == u'/') {
    tag.closing = true;
    ++i;
  }
  const size_t nameStart = i;
  while (i < html.size() && !IsSpace(html[i]) && html[i] != u'>' && html[i] != u'/') ++i;
  tag.name = Ascii(html.substr(nameStart, i - nameStart));
  while (i < html.size() && html[i] != u'>') {
    while (i < html.size() && (IsSpace(html[i]) || html[i] == u'/')) ++i;
    const size_t keyStart = i;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != u'=' && html[i] != u'>') ++i;
    const std::string key = Ascii(html.substr(keyStart, i - keyStart));
    std::u16string value;
    if (i < html.size() && html[i] == u'=') {
      ++i;
      const char16_t quote = i < html.size() && (html[i] == u'"' || html[i] == u'\'') ? html[i] : 0;
      if (quote) ++i;
      const size_t valueStart = i;
      while (i < html.size() && (quote ? html[i] != quote : !IsSpace(html[i]) && html[i] != u'>'))
        ++i;
      value = std::u16string(html.substr(valueStart, i - valueStart));
      if (quote && i < html.size()) ++i;
    }
    if (!key.empty()) tag.attributes[key] = value;
  }
  pos = i < html.size() ? i + 1 : i;
  return tag;
}

class TBuilder {
 public:
  // Text: collapsed white space, no blank at the start of a line.
  void Text(std::u16string_view s, bool preformatted) {
    for (char16_t c : s) {
      if (preformatted) {
        if (c == u'\r') continue;
        if (c == u'\n') {
          NewLine();
          continue;
        }
        Put(c);
        continue;
      }
      if (IsSpace(c)) {
        pendingSpace_ = true;
        continue;
      }
      Put(c);
    }
  }
  void Char(char16_t c) { Put(c); }
  // Ends the line unless it is empty; `blank` leaves an empty line before what follows.
  void Break(bool blank) {
    pendingSpace_ = false;
    if (!AtLineStart()) NewLine();
    if (blank && !out_.Text.empty() && !EndsWithBlankLine()) NewLine();
  }
  // Underlines the line just written (a heading), since plain text has no larger type.
  void Underline(char16_t c) {
    const size_t start = out_.Text.rfind(u'\n');
    const size_t length = out_.Text.size() - (start == std::u16string::npos ? 0 : start + 1);
    if (length == 0 || AtLineStart()) return;
    NewLine();
    out_.Text.append(length, c);
  }
  void Separator(std::u16string_view s) {
    pendingSpace_ = false;
    out_.Text += s;
  }
  void Anchor(const std::u16string& name) {
    // The line the anchor is on, so its heading shows at the top.
    size_t start = out_.Text.rfind(u'\n');
    start = start == std::u16string::npos ? 0 : start + 1;
    out_.Anchors.emplace(AsciiKeepCase(name), AtLineStart() ? out_.Text.size() : start);
  }
  THelpText Take() {
    while (out_.Text.ends_with(u"\r\n")) out_.Text.resize(out_.Text.size() - 2);
    return std::move(out_);
  }

 private:
  bool AtLineStart() const { return out_.Text.empty() || out_.Text.back() == u'\n'; }
  bool EndsWithBlankLine() const { return out_.Text.ends_with(u"\r\n\r\n"); }
  void NewLine() { out_.Text += u"\r\n"; }
  void Put(char16_t c) {
    if (pendingSpace_ && !AtLineStart() && out_.Text.back() != u'\t') out_.Text += u' ';
    pendingSpace_ = false;
    out_.Text += c;
  }

  THelpText out_;
  bool pendingSpace_ = false;
};

bool IsHeading(const std::string& name) {
  return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

}  // namespace

THelpText HelpTextFromHtml(std::u16string_view html) {
  TBuilder out;
  int hidden = 0;  // inside head, title, style or script
  bool pre = false;
  bool firstCell = true;
  // Per open list: 0 for bullets, else the next number.
  std::vector<int> lists;
  size_t pos = 0;
  while (pos < html.size()) {
    const char16_t c = html[pos];
    if (c == u'<') {
      if (html.substr(pos, 4) == u"<!--") {
        const size_t end = html.find(u"-->", pos + 4);
        pos = end == std::u16string_view::npos ? html.size() : end + 3;
        continue;
      }
      if (pos + 1 < html.size() && (html[pos + 1] == u'!' || html[pos + 1] == u'?')) {
        const size_t end = html.find(u'>', pos);
        pos = end == std::u16string_view::npos ? html.size() : end + 1;
        continue;
      }
      const TTag tag = ParseTag(html, pos);
      const std::string& n = tag.name;
      if (n == "head" || n == "title" || n == "style" || n == "script") {
        hidden += tag.closing ? (hidden > 0 ? -1 : 0) : 1;
        continue;
      }
      if (hidden > 0) continue;
      if (!tag.closing) {
        for (const char* key : {"name", "id"})
          if (auto it = tag.attributes.find(key); it != tag.attributes.end() && !it->second.empty())
            out.Anchor(it->second);
      }
      if (IsHeading(n) || n == "p" || n == "pre" || n == "table") {
        if (tag.closing && (n == "h1" || n == "h2")) out.Underline(n == "h1" ? u'=' : u'-');
        out.Break(true);
        if (n == "pre") pre = !tag.closing;
      } else if (n == "ul" || n == "ol") {
        out.Break(lists.empty());
        if (tag.closing) {
          if (!lists.empty()) lists.pop_back();
        } else {
          lists.push_back(n == "ol" ? 1 : 0);
        }
      } else if (n == "li" && !tag.closing) {
        out.Break(false);
        std::u16string indent(lists.size() > 1 ? 2 * (lists.size() - 1) : 0, u' ');
        if (!lists.empty() && lists.back() > 0) {
          for (char ch : std::to_string(lists.back()++)) indent += static_cast<char16_t>(ch);
          indent += u". ";
        } else {
          indent += u"\u2022 ";
        }
        out.Separator(indent);
      } else if (n == "tr" || n == "br" || n == "div") {
        out.Break(false);
        firstCell = true;
      } else if ((n == "td" || n == "th") && !tag.closing) {
        if (!firstCell) out.Separator(u"\t");
        firstCell = false;
      }
      continue;
    }
    if (hidden > 0) {
      ++pos;
      continue;
    }
    if (c == u'&') {
      const size_t end = html.find(u';', pos);
      if (end != std::u16string_view::npos && end - pos <= 10) {
        std::u16string decoded;
        AppendEntity(decoded, html.substr(pos + 1, end - pos - 1));
        for (char16_t d : decoded) out.Char(d);
        pos = end + 1;
        continue;
      }
    }
    const size_t next = html.find_first_of(u"<&", pos + 1);
    const size_t end = next == std::u16string_view::npos ? html.size() : next;
    out.Text(html.substr(pos, end - pos), pre);
    pos = end;
  }
  return out.Take();
}
