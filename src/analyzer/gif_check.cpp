#include "analyzer/gif_check.h"

#include <cstddef>

namespace drydock::analyzer {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kImageDescriptorSize = 9;
constexpr unsigned char kExtension = 0x21;
constexpr unsigned char kImage = 0x2C;
constexpr unsigned char kTrailer = 0x3B;
constexpr unsigned kHasColorTable = 0x80;

// Walks the bytes; every step fails once a block would reach past the end.
class GifWalk {
 public:
  explicit GifWalk(std::string_view bytes) : bytes_(bytes) {}

  bool Skip(std::size_t count) {
    if (count > bytes_.size() - at_) return false;
    at_ += count;
    return true;
  }
  bool Byte(unsigned& value) {
    if (at_ >= bytes_.size()) return false;
    value = static_cast<unsigned char>(bytes_[at_++]);
    return true;
  }
  // The byte just walked over.
  unsigned Last() const { return static_cast<unsigned char>(bytes_[at_ - 1]); }
  // A colour table of 3 × 2^(n+1) bytes follows when the packed field announces one.
  bool SkipColorTable(unsigned packed) { return (packed & kHasColorTable) == 0 || Skip(3U << ((packed & 7U) + 1)); }
  // Data sub-blocks: a length byte and that many bytes, until a length of 0.
  bool SkipSubBlocks() {
    for (unsigned length = 1;;) {
      if (!Byte(length)) return false;
      if (length == 0) return true;
      if (!Skip(length)) return false;
    }
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

bool IsWholeGif(std::string_view bytes) {
  if (!bytes.starts_with("GIF87a") && !bytes.starts_with("GIF89a")) return false;
  GifWalk walk(bytes);
  // The screen descriptor: width and height (two bytes each), the packed field, background and aspect.
  unsigned screenPacked = 0;
  if (!walk.Skip(kHeaderSize + 4) || !walk.Byte(screenPacked) || !walk.Skip(2) || !walk.SkipColorTable(screenPacked)) {
    return false;
  }
  int images = 0;
  for (unsigned block = 0;;) {
    if (!walk.Byte(block)) return false;
    if (block == kTrailer) return images > 0;
    if (block == kExtension) {
      unsigned label = 0;
      if (!walk.Byte(label) || !walk.SkipSubBlocks()) return false;
    } else if (block == kImage) {
      unsigned codeSize = 0;
      // The descriptor's packed field is its last byte.
      if (!walk.Skip(kImageDescriptorSize) || !walk.SkipColorTable(walk.Last()) || !walk.Byte(codeSize) ||
          !walk.SkipSubBlocks()) {
        return false;
      }
      ++images;
    } else {
      return false;
    }
  }
}

}  // namespace drydock::analyzer
