#include "report/Canvas.h"

#include <algorithm>
#include <string>

TBitmap::TBitmap(int width, int height, uint32_t fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

void TBitmap::Draw(int x, int y, const TBitmap& source) {
  for (int sy = 0; sy < source.height_; ++sy) {
    int dy = y + sy;
    if (dy < 0 || dy >= height_) continue;
    for (int sx = 0; sx < source.width_; ++sx) {
      int dx = x + sx;
      if (dx >= 0 && dx < width_) SetPixel(dx, dy, source.Pixel(sx, sy));
    }
  }
}

namespace {

// Visible characters of one line: mnemonic ampersands removed unless dtNoPrefix, tabs widened.
int LineChars(std::string_view line, unsigned flags) {
  int n = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '&' && (flags & dtNoPrefix) == 0) {
      if (i + 1 < line.size() && line[i + 1] == '&')
        ++i;
      else
        continue;
    }
    n += (c == '\t' && (flags & dtExpandTabs) != 0) ? 8 : 1;
  }
  return n;
}

}  // namespace

TRect TFixedPitchDevice::MeasureText(const TFont& font, std::string_view text, const TRect& bounds,
                                     unsigned flags) const {
  const int cw = CharWidth(font) * ppi_ / 96;
  const int lh = LineHeight(font) * ppi_ / 96;
  std::vector<std::string_view> lines;
  if (flags & dtSingleLine) {
    lines.push_back(text);
  } else {
    size_t start = 0;
    for (;;) {
      size_t nl = text.find('\n', start);
      std::string_view line = text.substr(start, nl == std::string_view::npos ? nl : nl - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.push_back(line);
      if (nl == std::string_view::npos) break;
      start = nl + 1;
    }
  }
  int width = 0;
  int count = 0;
  for (std::string_view line : lines) {
    if ((flags & dtWordBreak) == 0 || (flags & dtSingleLine) != 0) {
      width = std::max(width, LineChars(line, flags) * cw);
      ++count;
      continue;
    }
    // Greedy breaking at blanks; a word wider than the bounds keeps a line of its own.
    const int limit = bounds.Width();
    int lineWidth = 0;
    size_t pos = 0;
    bool lineOpen = false;
    while (pos <= line.size()) {
      size_t blank = line.find(' ', pos);
      std::string_view word =
          line.substr(pos, blank == std::string_view::npos ? blank : blank - pos);
      int w = LineChars(word, flags) * cw;
      if (!lineOpen) {
        lineWidth = w;
        lineOpen = true;
      } else if (lineWidth + cw + w <= limit) {
        lineWidth += cw + w;
      } else {
        width = std::max(width, lineWidth);
        ++count;
        lineWidth = w;
      }
      if (blank == std::string_view::npos) break;
      pos = blank + 1;
    }
    width = std::max(width, lineWidth);
    ++count;
  }
  return {bounds.Left, bounds.Top, bounds.Left + width, bounds.Top + count * lh};
}

std::string BreakLongWords(TCanvas& canvas, std::string_view text, int width, unsigned flags) {
  if (width <= 0) return std::string(text);
  const unsigned measure = (flags & (dtExpandTabs | dtNoPrefix)) | dtSingleLine | dtCalcRect;
  const auto fits = [&](std::string_view piece) {
    return canvas.MeasureText(piece, {0, 0, 1 << 20, 1 << 20}, measure).Width() <= width;
  };
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = std::min(text.find_first_of(" \r\n", pos), text.size());
    std::string_view word = text.substr(pos, end - pos);
    while (!word.empty() && !fits(word)) {
      // The longest start of the word that fits, one character at the least.
      size_t n = 1;
      while (n < word.size() && fits(word.substr(0, n + 1))) ++n;
      out.append(word.substr(0, n));
      out += '\n';
      word.remove_prefix(n);
    }
    out.append(word);
    if (end < text.size()) out += text[end];
    pos = end + 1;
  }
  return out;
}
