#include "modinfo/picture_check.h"

#include <cstdint>

#include "platform/text_file.h"

namespace drydock::modinfo {

namespace {

unsigned Byte(std::string_view b, size_t at) { return static_cast<unsigned char>(b[at]); }
std::uint32_t Le16(std::string_view b, size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
std::uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::uint32_t Be16(std::string_view b, size_t at) { return Byte(b, at) << 8 | Byte(b, at + 1); }

bool SideFits(std::int64_t side) { return side > 0 && side <= kMaxPictureSide; }

// ---- Windows bitmaps ----------------------------------------------------------

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kCoreHeaderBytes = 12;  // OS/2 and Windows 2: 16-bit sizes, no compression
enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

bool IsKnownHeaderSize(std::uint32_t size) {
  for (std::uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    if (size == known) return true;
  }
  return false;
}

std::optional<PictureHeader> CheckBitmap(std::string_view b) {
  if (b.size() < kFileHeaderBytes + 4) return std::nullopt;
  const std::uint64_t pixelOffset = Le32(b, 10);
  const std::uint32_t headerBytes = Le32(b, kFileHeaderBytes);
  if (!IsKnownHeaderSize(headerBytes) || kFileHeaderBytes + headerBytes > b.size()) return std::nullopt;
  const bool core = headerBytes == kCoreHeaderBytes;
  const std::int64_t width = core ? std::int64_t{Le16(b, 18)} : std::int64_t{static_cast<std::int32_t>(Le32(b, 18))};
  std::int64_t height = core ? std::int64_t{Le16(b, 20)} : std::int64_t{static_cast<std::int32_t>(Le32(b, 22))};
  const std::uint32_t planes = Le16(b, core ? 22 : 26);
  const std::uint32_t bits = Le16(b, core ? 24 : 28);
  const std::uint32_t compression = core ? kRgb : Le32(b, 30);
  const std::uint64_t imageBytes = core ? 0 : Le32(b, 34);
  const std::uint64_t coloursUsed = core ? 0 : Le32(b, 46);

  const bool topDown = height < 0;  // rows stored from the top
  if (topDown) height = -height;
  if (planes != 1 || !SideFits(width) || !SideFits(height)) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const bool rle = compression == kRle8 || compression == kRle4;
  if (rle && (topDown || bits != (compression == kRle8 ? 8u : 4u))) return std::nullopt;
  if (compression == kBitfields && bits != 16 && bits != 32) return std::nullopt;
  if (compression != kRgb && compression != kBitfields && !rle) return std::nullopt;

  // The colour masks follow a 40-byte header; the palette follows them.
  const std::uint64_t maskBytes = compression == kBitfields && headerBytes == 40 ? 12 : 0;
  const std::uint64_t colours = bits > 8 ? 0 : coloursUsed != 0 ? coloursUsed : std::uint64_t{1} << bits;
  const std::uint64_t tablesEnd = kFileHeaderBytes + headerBytes + maskBytes + colours * (core ? 3 : 4);
  if (tablesEnd > b.size() || pixelOffset < kFileHeaderBytes + headerBytes + maskBytes) return std::nullopt;
  if (pixelOffset >= b.size()) return std::nullopt;

  // Runs have no fixed length: the size the header states is all there is to go by.
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t pixelBytes = rle ? imageBytes : rowBytes * static_cast<std::uint64_t>(height);
  if (pixelOffset + pixelBytes > b.size()) return std::nullopt;
  return PictureHeader{PictureFormat::Bitmap, static_cast<int>(width), static_cast<int>(height)};
}

// ---- JPEG -------------------------------------------------------------------

constexpr unsigned kEndOfImage = 0xD9;
constexpr unsigned kStartOfScan = 0xDA;

bool IsStartOfFrame(unsigned marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
bool IsRestart(unsigned marker) { return marker >= 0xD0 && marker <= 0xD7; }

// Where the entropy-coded data starting at `at` ends: at the first 0xFF that
// is neither a stuffed zero byte nor a restart marker.
size_t SkipEntropyData(std::string_view b, size_t at) {
  for (at = b.find('\xFF', at); at != std::string_view::npos && at + 1 < b.size(); at = b.find('\xFF', at)) {
    const unsigned next = Byte(b, at + 1);
    if (next != 0x00 && !IsRestart(next)) return at;
    at += 2;
  }
  return b.size();
}

std::optional<PictureHeader> CheckJpeg(std::string_view b) {
  std::optional<PictureHeader> frame;
  bool scanned = false;  // a scan came after the frame
  size_t at = 2;         // past the start-of-image marker
  while (at < b.size()) {
    if (Byte(b, at) != 0xFF) return std::nullopt;
    while (at < b.size() && Byte(b, at) == 0xFF) ++at;  // fill bytes
    if (at == b.size()) return std::nullopt;
    const unsigned marker = Byte(b, at++);
    if (marker == kEndOfImage) return scanned ? frame : std::nullopt;
    if (marker == 0x01 || IsRestart(marker)) continue;  // markers without a segment
    if (at + 2 > b.size()) return std::nullopt;
    const size_t length = Be16(b, at);  // counts itself, not the marker
    if (length < 2 || at + length > b.size()) return std::nullopt;
    if (IsStartOfFrame(marker)) {
      if (frame || length < 8 || length < 8 + 3 * Byte(b, at + 7)) return std::nullopt;
      frame = PictureHeader{PictureFormat::Jpeg, static_cast<int>(Be16(b, at + 5)), static_cast<int>(Be16(b, at + 3))};
      if (!SideFits(frame->width) || !SideFits(frame->height)) return std::nullopt;
    }
    at += length;
    if (marker == kStartOfScan) {
      if (!frame) return std::nullopt;
      scanned = true;
      at = SkipEntropyData(b, at);
    }
  }
  return std::nullopt;  // no end-of-image marker: the file was cut short
}

}  // namespace

std::optional<PictureHeader> CheckPicture(std::string_view bytes) {
  if (bytes.starts_with("BM")) return CheckBitmap(bytes);
  if (bytes.starts_with("\xFF\xD8")) return CheckJpeg(bytes);
  return std::nullopt;
}

std::optional<PictureHeader> CheckPictureFile(const std::filesystem::path& file) {
  const std::string bytes = platform::ReadFileBytes(file, kMaxPictureBytes + 1);
  if (bytes.size() > kMaxPictureBytes) return std::nullopt;
  return CheckPicture(bytes);
}

}  // namespace drydock::modinfo
