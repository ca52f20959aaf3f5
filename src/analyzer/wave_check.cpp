#include "analyzer/wave_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>

#include "analyzer/analyzer_texts.h"

namespace fs = std::filesystem;

namespace drydock::analyzer {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kPcmFormatSize = 16;
constexpr std::uint32_t kExtensibleFormatSize = 40;
constexpr int kMaxChunksBeforeData = 4096;  // a file of tiny chunks is not walked to its end

std::uint32_t Le32(const unsigned char* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}
std::uint16_t Le16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

struct Format {
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bits = 0;
};

// The format chunk's problem, or nothing; fills `format`.
std::optional<std::string> ReadFormat(const unsigned char* chunk, std::uint32_t size, Format& format) {
  std::uint16_t tag = Le16(chunk);
  if (tag == kFormatExtensible) {
    if (size < kExtensibleFormatSize) return std::string(texts::kWaveCutShort);
    tag = Le16(chunk + 24);  // the first two bytes of the sub-format's identifier
  }
  format = {Le16(chunk + 2), Le32(chunk + 4), Le16(chunk + 12), Le16(chunk + 14)};
  const bool bitsPlayed = format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
  if (tag != kFormatPcm || !bitsPlayed || format.channels == 0 || format.sampleRate == 0 ||
      format.blockAlign != format.channels * (format.bits / 8)) {
    return std::string(texts::kWaveFormat);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WaveProblem(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t fileSize = fs::file_size(file, ec);
  std::ifstream in(file, std::ios::binary);
  if (ec || !in) return std::string(texts::kWaveUnreadable);

  std::array<unsigned char, kExtensibleFormatSize> buffer{};
  const auto read = [&](std::uintmax_t at, std::size_t count) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(at));
    return in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(count)).gcount() ==
           static_cast<std::streamsize>(count);
  };
  if (fileSize < 12 || !read(0, 12) || Le32(buffer.data()) != 0x46464952 /* RIFF */ ||
      Le32(buffer.data() + 8) != 0x45564157 /* WAVE */) {
    return std::string(texts::kWaveNotWave);
  }

  std::optional<Format> format;
  std::uintmax_t at = 12;
  for (int chunks = 0; chunks < kMaxChunksBeforeData; ++chunks) {
    if (at + 8 > fileSize || !read(at, 8)) break;
    const std::uint32_t id = Le32(buffer.data());
    const std::uint32_t size = Le32(buffer.data() + 4);
    const std::uintmax_t body = at + 8;
    if (body + size > fileSize) return std::string(texts::kWaveCutShort);
    if (id == 0x20746D66 /* "fmt " */) {
      if (size < kPcmFormatSize) return std::string(texts::kWaveCutShort);
      if (!read(body, std::min<std::size_t>(size, buffer.size()))) return std::string(texts::kWaveUnreadable);
      format.emplace();
      if (auto problem = ReadFormat(buffer.data(), size, *format)) return problem;
    } else if (id == 0x61746164 /* "data" */) {
      if (!format) return std::string(texts::kWaveFormat);
      if (size % format->blockAlign != 0) return std::string(texts::kWaveCutShort);
      return std::nullopt;
    }
    at = body + size + (size & 1U);  // chunks are padded to an even length
  }
  return std::string(texts::kWaveCutShort);
}

}  // namespace drydock::analyzer
