// A baseline JPEG encoder for the demo sandbox's pictures, so that making the
// demo needs no Qt Gui: JFIF colour (YCbCr, no subsampling), an 8x8 DCT, the
// quantisation tables of the JPEG standard (annex K) scaled for a quality as
// libjpeg scales them, and the standard's Huffman tables.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "demo/demo_formats.h"

namespace drydock::demo {

namespace {

using Block = std::array<float, 64>;  // row by row
using Table = std::array<std::uint8_t, 64>;

// The k-th coefficient in zig-zag order sits at kZigZag[k] of a block.
constexpr Table kZigZag = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                           41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                           30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr Table kLuminanceQuant = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                   14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                   18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                   49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr Table kChrominanceQuant = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// A Huffman table as the file stores it: how many codes of each length 1..16, then the symbols.
struct HuffmanLayout {
  std::array<std::uint8_t, 16> counts;
  std::vector<std::uint8_t> symbols;
};

const HuffmanLayout kDcLuminance = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanLayout kDcChrominance = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                                      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanLayout kAcLuminance = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
     0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
     0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
     0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
     0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
     0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
     0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
     0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};
const HuffmanLayout kAcChrominance = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
     0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
     0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
     0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
     0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
     0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
     0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
     0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

// The code of each symbol: codes of one length count up, and each longer
// length continues from the last code shifted left (canonical codes).
struct HuffmanCodes {
  std::array<std::uint16_t, 256> code{};
  std::array<std::uint8_t, 256> length{};
};

HuffmanCodes MakeCodes(const HuffmanLayout& layout) {
  HuffmanCodes codes;
  std::uint16_t code = 0;
  size_t next = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < layout.counts[static_cast<size_t>(length - 1)]; ++i, ++code) {
      codes.code[layout.symbols[next]] = code;
      codes.length[layout.symbols[next++]] = static_cast<std::uint8_t>(length);
    }
    code = static_cast<std::uint16_t>(code << 1);
  }
  return codes;
}

// libjpeg's scaling: quality 50 keeps the tables, 100 makes every step 1.
Table ScaledQuant(const Table& base, int quality) {
  quality = std::clamp(quality, 1, 100);
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  Table out{};
  for (size_t i = 0; i < 64; ++i) out[i] = static_cast<std::uint8_t>(std::clamp((base[i] * scale + 50) / 100, 1, 255));
  return out;
}

// Entropy-coded bits, most significant first; a 0xFF byte is followed by a stuffed 0x00.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void Put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      byte_ = static_cast<std::uint8_t>(byte_ << 1 | ((bits >> i) & 1));
      if (++filled_ == 8) Flush();
    }
  }
  void PadWithOnes() {
    while (filled_ != 0) Put(1, 1);
  }

 private:
  void Flush() {
    out_ += static_cast<char>(byte_);
    if (byte_ == 0xFF) out_ += '\0';
    byte_ = 0;
    filled_ = 0;
  }
  std::string& out_;
  std::uint8_t byte_ = 0;
  int filled_ = 0;
};

// The two-dimensional DCT of the standard, as two passes of the one-dimensional one.
Block Dct(const Block& in) {
  static const auto kCos = [] {
    std::array<float, 64> c{};
    for (int u = 0; u < 8; ++u) {
      for (int x = 0; x < 8; ++x) {
        const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
        c[static_cast<size_t>(u * 8 + x)] =
            static_cast<float>(cu / 2 * std::cos((2 * x + 1) * u * std::numbers::pi / 16));
      }
    }
    return c;
  }();
  Block rows{};
  Block out{};
  for (size_t y = 0; y < 8; ++y) {
    for (size_t u = 0; u < 8; ++u) {
      for (size_t x = 0; x < 8; ++x) rows[y * 8 + u] += kCos[u * 8 + x] * in[y * 8 + x];
    }
  }
  for (size_t v = 0; v < 8; ++v) {
    for (size_t u = 0; u < 8; ++u) {
      for (size_t y = 0; y < 8; ++y) out[v * 8 + u] += kCos[v * 8 + y] * rows[y * 8 + u];
    }
  }
  return out;
}

// The number of bits of |value|, and the bits that stand for `value` in that many.
int Category(int value) {
  int bits = 0;
  for (int magnitude = std::abs(value); magnitude != 0; magnitude >>= 1) ++bits;
  return bits;
}
std::uint32_t ValueBits(int value, int bits) {
  return static_cast<std::uint32_t>(value >= 0 ? value : value + (1 << bits) - 1);
}

// One component of one image, with its tables and the last DC value.
struct Component {
  Table quant;
  HuffmanCodes dc;
  HuffmanCodes ac;
  int previousDc = 0;
};

void EncodeBlock(const Block& samples, Component& c, BitWriter& bits) {
  const Block coefficients = Dct(samples);
  std::array<int, 64> zz{};
  for (size_t k = 0; k < 64; ++k) {
    zz[k] = static_cast<int>(std::lround(coefficients[kZigZag[k]] / c.quant[kZigZag[k]]));
  }
  const int diff = zz[0] - c.previousDc;
  c.previousDc = zz[0];
  const int dcBits = Category(diff);
  bits.Put(c.dc.code[static_cast<size_t>(dcBits)], c.dc.length[static_cast<size_t>(dcBits)]);
  bits.Put(ValueBits(diff, dcBits), dcBits);
  int run = 0;
  for (size_t k = 1; k < 64; ++k) {
    if (zz[k] == 0) {
      ++run;
      continue;
    }
    for (; run > 15; run -= 16) bits.Put(c.ac.code[0xF0], c.ac.length[0xF0]);  // sixteen zeros
    const int acBits = Category(zz[k]);
    const auto symbol = static_cast<size_t>(run << 4 | acBits);
    bits.Put(c.ac.code[symbol], c.ac.length[symbol]);
    bits.Put(ValueBits(zz[k], acBits), acBits);
    run = 0;
  }
  if (run > 0) bits.Put(c.ac.code[0x00], c.ac.length[0x00]);  // end of block
}

void PutBig16(std::string& out, size_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void Segment(std::string& out, std::uint8_t marker, const std::string& payload) {
  out += '\xFF';
  out += static_cast<char>(marker);
  PutBig16(out, payload.size() + 2);
  out += payload;
}

std::string QuantTable(std::uint8_t id, const Table& quant) {
  std::string s(1, static_cast<char>(id));
  for (size_t k = 0; k < 64; ++k) s += static_cast<char>(quant[kZigZag[k]]);
  return s;
}

std::string HuffmanTable(std::uint8_t classAndId, const HuffmanLayout& layout) {
  std::string s(1, static_cast<char>(classAndId));
  s.append(layout.counts.begin(), layout.counts.end());
  s.append(layout.symbols.begin(), layout.symbols.end());
  return s;
}

}  // namespace

std::string Jpeg(int width, int height, const Painter& paint, int quality) {
  Component luma{ScaledQuant(kLuminanceQuant, quality), MakeCodes(kDcLuminance), MakeCodes(kAcLuminance)};
  Component chroma{ScaledQuant(kChrominanceQuant, quality), MakeCodes(kDcChrominance), MakeCodes(kAcChrominance)};
  std::array<Component, 3> components = {luma, chroma, chroma};

  std::string out = "\xFF\xD8";
  Segment(out, 0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));  // version 1.1, aspect 1:1, no thumbnail
  Segment(out, 0xDB, QuantTable(0, luma.quant) + QuantTable(1, chroma.quant));
  std::string frame(1, '\x08');  // eight bits per sample
  PutBig16(frame, static_cast<size_t>(height));
  PutBig16(frame, static_cast<size_t>(width));
  frame += std::string("\x03\x01\x11\x00\x02\x11\x01\x03\x11\x01", 10);  // Y, Cb, Cr: 1x1 sampling, tables 0, 1, 1
  Segment(out, 0xC0, frame);
  Segment(out, 0xC4,
          HuffmanTable(0x00, kDcLuminance) + HuffmanTable(0x10, kAcLuminance) + HuffmanTable(0x01, kDcChrominance) +
              HuffmanTable(0x11, kAcChrominance));
  Segment(out, 0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));  // all three, DC and AC tables

  BitWriter bits(out);
  for (int top = 0; top < height; top += 8) {
    for (int left = 0; left < width; left += 8) {
      std::array<Block, 3> blocks{};
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          // Past the right or bottom edge the last column or row repeats.
          const Rgb c = paint(std::min(left + x, width - 1), std::min(top + y, height - 1));
          const float r = static_cast<float>(std::clamp(c.r, 0, 255));
          const float g = static_cast<float>(std::clamp(c.g, 0, 255));
          const float b = static_cast<float>(std::clamp(c.b, 0, 255));
          const auto i = static_cast<size_t>(y * 8 + x);
          blocks[0][i] = 0.299f * r + 0.587f * g + 0.114f * b - 128;  // samples centred on zero
          blocks[1][i] = -0.168736f * r - 0.331264f * g + 0.5f * b;
          blocks[2][i] = 0.5f * r - 0.418688f * g - 0.081312f * b;
        }
      }
      for (size_t k = 0; k < 3; ++k) EncodeBlock(blocks[k], components[k], bits);
    }
  }
  bits.PadWithOnes();
  out += "\xFF\xD9";
  return out;
}

}  // namespace drydock::demo
