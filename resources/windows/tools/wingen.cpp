// Turns the program's drawings into the forms a Win32 resource script takes, at build time:
//   wingen bmp <in.xpm> <out.bmp>              8-bit palette bitmap; transparent pixels become
//                                              the 3-D face grey that LR_LOADMAP3DCOLORS maps
//   wingen cur <in.xpm> <out.cur> <hotX> <hotY> cursor with its mask
//   wingen ico <out.ico> <in.png>...           icon whose entries are the PNG images
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TImage {
  int width = 0;
  int height = 0;
  // 0xAARRGGBB per pixel, top row first; alpha is 0 or 255.
  std::vector<uint32_t> pixels;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

// The quoted strings of an XPM file, in order.
std::vector<std::string> XpmStrings(const std::string& text) {
  std::vector<std::string> strings;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    const size_t end = text.find('"', i + 1);
    if (end == std::string::npos) throw std::runtime_error("unterminated string");
    strings.push_back(text.substr(i + 1, end - i - 1));
    i = end;
  }
  return strings;
}

TImage ReadXpm(const std::string& path) {
  const std::vector<std::string> s = XpmStrings(ReadFile(path));
  if (s.empty()) throw std::runtime_error(path + ": no XPM values");
  TImage image;
  int colours = 0, cpp = 0;
  std::istringstream values(s[0]);
  if (!(values >> image.width >> image.height >> colours >> cpp) || image.width <= 0 ||
      image.height <= 0 || image.width > 1024 || image.height > 1024 || cpp <= 0 || colours <= 0)
    throw std::runtime_error(path + ": bad XPM values");
  if (s.size() < 1u + static_cast<size_t>(colours) + static_cast<size_t>(image.height))
    throw std::runtime_error(path + ": XPM too short");
  std::map<std::string, uint32_t> table;
  for (int i = 1; i <= colours; ++i) {
    const std::string& line = s[static_cast<size_t>(i)];
    if (line.size() < static_cast<size_t>(cpp)) throw std::runtime_error(path + ": bad colour");
    std::istringstream rest(line.substr(static_cast<size_t>(cpp)));
    std::string key, value;
    uint32_t argb = 0;
    while (rest >> key >> value) {
      if (key != "c") continue;
      if (value == "None" || value == "none") {
        argb = 0;
      } else if (value.size() == 7 && value[0] == '#') {
        argb = 0xFF000000u | static_cast<uint32_t>(std::stoul(value.substr(1), nullptr, 16));
      } else {
        throw std::runtime_error(path + ": unsupported colour " + value);
      }
    }
    table[line.substr(0, static_cast<size_t>(cpp))] = argb;
  }
  for (int y = 0; y < image.height; ++y) {
    const std::string& row = s[static_cast<size_t>(1 + colours + y)];
    if (row.size() != static_cast<size_t>(image.width * cpp))
      throw std::runtime_error(path + ": bad row length");
    for (int x = 0; x < image.width; ++x) {
      auto it = table.find(row.substr(static_cast<size_t>(x * cpp), static_cast<size_t>(cpp)));
      if (it == table.end()) throw std::runtime_error(path + ": unknown pixel");
      image.pixels.push_back(it->second);
    }
  }
  return image;
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A BITMAPINFOHEADER; `height` as it is stored (doubled for icons and cursors).
void PutInfoHeader(std::string& out, int width, int height, int bits, uint32_t imageSize,
                   uint32_t paletteSize) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, paletteSize);
  Put32(out, 0);
}

std::string Bitmap(const TImage& image) {
  constexpr uint32_t face = 0xFFC0C0C0u;
  std::vector<uint32_t> palette;
  std::vector<uint8_t> indexes;
  for (uint32_t p : image.pixels) {
    const uint32_t c = (p >> 24) ? p : face;
    size_t i = 0;
    while (i < palette.size() && palette[i] != c) ++i;
    if (i == palette.size()) palette.push_back(c);
    if (palette.size() > 256) throw std::runtime_error("more than 256 colours");
    indexes.push_back(static_cast<uint8_t>(i));
  }
  const uint32_t stride = (static_cast<uint32_t>(image.width) + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(image.height);
  const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
  std::string out = "BM";
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, image.width, image.height, 8, imageSize,
                static_cast<uint32_t>(palette.size()));
  for (uint32_t c : palette) Put32(out, c & 0xFFFFFF);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x)
      out += static_cast<char>(indexes[static_cast<size_t>(y * image.width + x)]);
    out.append(stride - static_cast<uint32_t>(image.width), '\0');
  }
  return out;
}

std::string Cursor(const TImage& image, int hotX, int hotY) {
  const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
  if (w > 256 || h > 256) throw std::runtime_error("cursor larger than 256");
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t xorSize = w * h * 4, maskSize = maskStride * h;
  std::string dib;
  PutInfoHeader(dib, image.width, image.height * 2, 32, xorSize + maskSize, 0);
  for (int y = image.height - 1; y >= 0; --y)
    for (int x = 0; x < image.width; ++x) Put32(dib, image.pixels[static_cast<size_t>(y) * w + x]);
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (uint32_t x = 0; x < w; ++x)
      if ((image.pixels[static_cast<size_t>(y) * w + x] >> 24) == 0)
        row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    dib += row;
  }
  std::string out;
  Put16(out, 0);
  Put16(out, 2);  // cursor
  Put16(out, 1);
  out += static_cast<char>(w == 256 ? 0 : w);
  out += static_cast<char>(h == 256 ? 0 : h);
  out += '\0';
  out += '\0';
  Put16(out, static_cast<uint32_t>(hotX));
  Put16(out, static_cast<uint32_t>(hotY));
  Put32(out, static_cast<uint32_t>(dib.size()));
  Put32(out, 6 + 16);
  return out + dib;
}

uint32_t Big32(const std::string& s, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3]));
}

std::string Icon(const std::vector<std::string>& pngPaths) {
  std::vector<std::string> images;
  for (const std::string& path : pngPaths) images.push_back(ReadFile(path));
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string& png = images[i];
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0 || png.compare(12, 4, "IHDR") != 0)
      throw std::runtime_error(pngPaths[i] + ": not a PNG");
    const uint32_t w = Big32(png, 16), h = Big32(png, 20);
    if (w == 0 || h == 0 || w > 256 || h > 256)
      throw std::runtime_error(pngPaths[i] + ": bad size");
    out += static_cast<char>(w == 256 ? 0 : w);
    out += static_cast<char>(h == 256 ? 0 : h);
    out += '\0';
    out += '\0';
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(png.size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(png.size());
  }
  for (const std::string& png : images) out += png;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "bmp") {
      WriteFile(args[2], Bitmap(ReadXpm(args[1])));
    } else if (args.size() == 5 && args[0] == "cur") {
      WriteFile(args[2], Cursor(ReadXpm(args[1]), std::stoi(args[3]), std::stoi(args[4])));
    } else if (args.size() >= 3 && args[0] == "ico") {
      WriteFile(args[1], Icon({args.begin() + 2, args.end()}));
    } else {
      std::cerr << "usage: wingen bmp|cur|ico ...\n";
      return 2;
    }
  } catch (const std::exception& e) {
    std::cerr << "wingen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
