#pragma once
// Whether a picture file holds a whole bitmap or JPEG, judged from its bytes
// without decoding them. Qt's readers draw a picture cut short from memory
// they never filled, so a file that fails this check is never decoded.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace drydock::modinfo {

enum class PictureFormat { Bitmap, Jpeg };

struct PictureHeader {
  PictureFormat format;
  int width;
  int height;
};

// Far beyond the 457 x 89 picture area; larger files and sides are no mod picture.
inline constexpr std::size_t kMaxPictureBytes = 64u << 20;
inline constexpr int kMaxPictureSide = 16384;

// The format and size of the picture that `bytes` (a whole file) hold,
// decided by the contents, not the file's name: a Windows bitmap whose header
// is sane and whose pixel rows all lie in the file, or a JPEG whose segments
// lead to a frame, a scan and the end-of-image marker. Nothing for anything
// else.
std::optional<PictureHeader> CheckPicture(std::string_view bytes);

// CheckPicture of a file's contents; nothing when it cannot be read or is
// larger than kMaxPictureBytes.
std::optional<PictureHeader> CheckPictureFile(const std::filesystem::path& file);

}  // namespace drydock::modinfo
