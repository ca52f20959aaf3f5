#include "demo/demo_formats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace drydock::demo {

namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

char Byte(int v) { return static_cast<char>(static_cast<std::uint8_t>(std::clamp(v, 0, 255))); }

// One row of pixels as B, G, R, the order of both bitmaps and Targas.
void PutRowBgr(std::string& out, int width, int y, const Painter& paint) {
  for (int x = 0; x < width; ++x) {
    const Rgb c = paint(x, y);
    out += Byte(c.b);
    out += Byte(c.g);
    out += Byte(c.r);
  }
}

}  // namespace

std::string Lines(std::initializer_list<std::string_view> lines, std::string_view eol) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += eol;
  }
  return out;
}

// An uncompressed 24-bit Windows bitmap: BITMAPFILEHEADER, BITMAPINFOHEADER,
// then the rows bottom-up, each padded to four bytes, pixels as B, G, R.
std::string Bmp24(int width, int height, const Painter& paint) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
  std::string out;
  out.reserve(54 + imageBytes);
  out += "BM";
  Put32(out, 54 + imageBytes);
  Put32(out, 0);  // two reserved words
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up
  Put16(out, 1);                                   // planes
  Put16(out, 24);                                  // bits per pixel
  Put32(out, 0);                                   // BI_RGB
  Put32(out, imageBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    PutRowBgr(out, width, y, paint);
    out.append(rowBytes - static_cast<std::uint32_t>(width) * 3, '\0');
  }
  return out;
}

std::string Tga24(int width, int height, const Painter& paint) {
  std::string out;
  out += '\0';  // no image id
  out += '\0';  // no colour map
  out += '\2';  // true colour
  out.append(5, '\0');
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(width));
  Put16(out, static_cast<std::uint32_t>(height));
  out += static_cast<char>(24);
  out += '\0';
  for (int y = height - 1; y >= 0; --y) PutRowBgr(out, width, y, paint);
  return out;
}

std::string Wav(double frequency, int milliseconds) {
  constexpr std::uint32_t kRate = 11025;
  const auto samples = static_cast<std::uint32_t>(kRate * static_cast<std::uint32_t>(milliseconds) / 1000);
  std::string out;
  out += "RIFF";
  Put32(out, 36 + samples);
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kRate);
  Put32(out, kRate);  // bytes per second
  Put16(out, 1);      // block align
  Put16(out, 8);      // bits per sample
  out += "data";
  Put32(out, samples);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double fade = 1.0 - static_cast<double>(i) / samples;
    const double s = std::sin(2.0 * 3.14159265358979 * frequency * i / kRate);
    out += Byte(128 + static_cast<int>(100.0 * fade * s));
  }
  return out;
}

std::string Junk(std::string_view magic, unsigned seed, size_t size) {
  std::mt19937 random(seed);
  std::string out(magic);
  while (out.size() < size) out += static_cast<char>(random() & 0xFF);
  return out;
}

}  // namespace drydock::demo
