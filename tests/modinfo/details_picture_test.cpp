// The details panel's picture: the check of a file's bytes, and decoding only
// what passed it.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_formats.h"
#include "modinfo/details_panel.h"
#include "modinfo/details_picture.h"
#include "modinfo/picture_check.h"
#include "support/temp_tree.h"

using namespace drydock::modinfo;
namespace demo = drydock::demo;
using drydock::test::TempTree;

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// `bytes` with the little-endian `value` written at `at`.
std::string Patched(std::string bytes, size_t at, std::uint32_t value, int width = 4) {
  for (int i = 0; i < width; ++i) bytes.replace(at + i, 1, 1, static_cast<char>((value >> (8 * i)) & 0xFF));
  return bytes;
}

// A bitmap with a grey palette (up to 8 bits), colour masks for BI_BITFIELDS
// and rows of a pattern; `headerBytes` 12 is the OS/2 core header.
std::string Bmp(int width, int height, std::uint32_t bits, std::uint32_t compression = 0,
                std::uint32_t headerBytes = 40) {
  const bool core = headerBytes == 12;
  const std::uint64_t colours = bits <= 8 ? 1u << bits : 0;
  const std::uint64_t masks = compression == 3 && headerBytes == 40 ? 12 : 0;
  const std::uint64_t offset = 14 + headerBytes + masks + colours * (core ? 3 : 4);
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(std::abs(height));
  const int side = core ? 2 : 4, more = core ? 0 : 4;  // the core header has 16-bit sizes and no more fields
  std::string out = "BM";
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  const std::uint64_t fields[] = {offset + pixelBytes, 0, offset, headerBytes, w, h, 1, bits, compression, pixelBytes};
  const int sizes[] = {4, 4, 4, 4, side, side, 2, 2, more, more};
  for (int i = 0; i < 10; ++i) Put(out, fields[i], sizes[i]);
  if (compression == 3) {  // 5-6-5 or 8-8-8 masks after a 40-byte header, inside a longer one
    out.resize(54, '\0');
    Put(out, bits == 16 ? 0x07E0'0000F800u : 0xFF00'00FF0000u, 8);  // red and green
    Put(out, bits == 16 ? 0x1Fu : 0xFFu, 4);                        // blue
  }
  out.resize(14 + headerBytes + masks, '\0');
  for (std::uint64_t c = 0; c < colours; ++c) Put(out, c * 255 / (colours - 1) * 0x010101u, core ? 3 : 4);
  out.resize(offset, '\0');
  for (std::uint64_t i = 0; i < pixelBytes; ++i) out += static_cast<char>(i * 37 % 251);
  return out;
}

demo::Rgb Gradient(int x, int y) { return {x * 6, y * 11, 200 - x * 3}; }

}  // namespace

TEST(PictureCheck, WholeBitmapsAndJpegsPassAndCutOrAbsurdOnesFail) {
  const std::string bmp = demo::Bmp24(457, 89, Gradient), jpeg = demo::Jpeg(37, 21, Gradient);
  const size_t sof = jpeg.find("\xFF\xC0");
  // Four rows of one run of 16 pixels each, then the end of the bitmap.
  const std::string runs("\x10\x05\0\0\x10\x06\0\0\x10\x07\0\0\x10\x08\0\0\0\x01", 18);
  const std::string rle8 = Patched(Bmp(16, 4, 8, 1).substr(0, 14 + 40 + 256 * 4) + runs, 34, 18);
  struct Case {
    const char* name;
    std::string bytes;
    int width = 0, height = 0;  // 0: no picture
  };
  const std::vector<Case> cases = {
      {"24 bits", bmp, 457, 89},
      {"1 bit", Bmp(457, 89, 1), 457, 89},
      {"4 bits", Bmp(13, 7, 4), 13, 7},
      {"8 bits, OS/2 header", Bmp(10, 10, 8, 0, 12), 10, 10},
      {"16 bits, masks", Bmp(9, 3, 16, 3), 9, 3},
      {"32 bits, V5 header with masks", Bmp(5, 5, 32, 3, 124), 5, 5},
      {"top-down", Bmp(8, -4, 24), 8, 4},
      {"RLE 8", rle8, 16, 4},
      {"JPEG of the demo", jpeg, 37, 21},
      {"JPEG with bytes after its end", jpeg + "trailer", 37, 21},
      {"bitmap cut in its last row", bmp.substr(0, bmp.size() - 1)},
      {"bitmap cut after its headers", bmp.substr(0, 54)},
      {"bitmap cut in its header", bmp.substr(0, 30)},
      {"top-down bitmap cut", Bmp(8, -4, 24).substr(0, 100)},
      {"palette past the end", Patched(Bmp(4, 4, 8), 10, 54).substr(0, 200)},
      {"RLE stating more than there is", Patched(rle8, 34, static_cast<std::uint32_t>(runs.size() + 1))},
      {"top-down RLE", Patched(rle8, 22, static_cast<std::uint32_t>(-4))},
      {"absurd width", Bmp(100'000, 1, 1)},
      {"zero height", Patched(bmp, 22, 0)},
      {"7 bits per pixel", Patched(bmp, 28, 7, 2)},
      {"two planes", Patched(bmp, 26, 2, 2)},
      {"JPEG inside a bitmap", Patched(bmp, 30, 4)},
      {"RLE of no stated size starting at the end", Patched(Patched(rle8, 34, 0), 10, rle8.size())},
      {"unknown header size", Patched(bmp, 14, 41)},
      {"JPEG cut in its tables", jpeg.substr(0, 100)},
      {"JPEG cut in its scan", jpeg.substr(0, jpeg.find("\xFF\xDA") + 30)},
      {"JPEG without its end marker", jpeg.substr(0, jpeg.size() - 2)},
      {"JPEG without a scan", jpeg.substr(0, jpeg.find("\xFF\xDA")) + "\xFF\xD9"},
      {"JPEG of width 0", Patched(jpeg, sof + 7, 0, 2)},
      {"JPEG whose frame length passes the end", Patched(jpeg, sof + 2, 0xFFFF, 2)},
      {"empty", ""},
      {"PNG", "\x89PNG\r\n\x1a\n" + bmp.substr(8)},
      {"JPEG start then junk", "\xFF\xD8" + std::string(3000, '\x55')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto header = CheckPicture(c.bytes);
    ASSERT_EQ(header.has_value(), c.width > 0);
    if (!header) continue;
    EXPECT_EQ(header->format, c.bytes[0] == 'B' ? PictureFormat::Bitmap : PictureFormat::Jpeg);
    EXPECT_EQ(QSize(header->width, header->height), QSize(c.width, c.height));
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(c.bytes)).size(), QSize(c.width, c.height)) << "what Qt draws";
  }
}

TEST(DetailsPicture, OnlyAPictureThatPassesTheCheckIsDecoded) {
  const std::string bmp = demo::Bmp24(457, 89, Gradient);
  std::string untabled = demo::Jpeg(16, 16, Gradient);  // whole, but its quantisation tables gone
  untabled.erase(untabled.find("\xFF\xDB"), untabled.find("\xFF\xC0") - untabled.find("\xFF\xDB"));
  const std::vector<std::tuple<const char*, std::string, PictureState, bool>> cases = {
      {"whole", bmp, PictureState::Valid, true},
      {"cut", bmp.substr(0, 5000), PictureState::Invalid, false},
      {"whole but undecodable", untabled, PictureState::Valid, false}};
  for (const auto& [name, bytes, state, drawn] : cases) {
    SCOPED_TRACE(name);
    TempTree t;
    ModDetails details;
    details.picture = PictureKind::Bitmap;
    details.picturePath = t.Write("ModPic.bmp", bytes);
    const DetailsView view = MakeDetailsView(details, '.');
    EXPECT_EQ(view.picture, state);
    EXPECT_EQ(view.pictureFile, "ModPic.bmp");
    EXPECT_EQ(DecodeDetailsPicture(view).size(), drawn ? QSize(457, 89) : QSize(0, 0));
  }
}
