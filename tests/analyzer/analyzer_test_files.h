#pragma once
// Sound and picture files for the analyzer's tests, written byte by byte so
// that each test says exactly what is whole and what is damaged.
#include <cstdint>
#include <string>
#include <utility>

namespace drydock::test {

struct WaveShape {
  std::uint16_t format = 1;  // PCM
  std::uint16_t channels = 1;
  std::uint16_t bits = 16;
  std::uint32_t frames = 800;  // 0.1 s of silence at 8000 frames a second
  std::string before;          // chunks before the format chunk

  WaveShape& Format(std::uint16_t value) { return format = value, *this; }
  WaveShape& Channels(std::uint16_t value) { return channels = value, *this; }
  WaveShape& Bits(std::uint16_t value) { return bits = value, *this; }
  WaveShape& Frames(std::uint32_t value) { return frames = value, *this; }
  WaveShape& Before(std::string chunks) { return before = std::move(chunks), *this; }
};

inline std::string Le(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// A wave file of silence; `dataBytes` overrides the size the data chunk announces.
inline std::string WaveBytes(const WaveShape& shape = {}, std::int64_t dataBytes = -1) {
  const std::uint32_t align = shape.channels * (shape.bits / 8U);
  const std::string data(static_cast<std::size_t>(shape.frames) * align, '\0');
  const std::string format = Le(shape.format, 2) + Le(shape.channels, 2) + Le(8000, 4) + Le(8000 * align, 4) +
                             Le(align, 2) + Le(shape.bits, 2);
  const std::string body = "WAVE" + shape.before + "fmt " + Le(16, 4) + format + "data" +
                           Le(dataBytes < 0 ? static_cast<std::uint32_t>(data.size()) : dataBytes, 4) + data;
  return "RIFF" + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// A whole GIF of one pixel: header, screen descriptor with a two-colour
// table, one image and the trailer.
inline std::string GifBytes(const std::string& extension = {}) {
  return std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string("\x00\x00\x00\xFF\xFF\xFF", 6) +
         extension + std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15) + "\x3B";
}

}  // namespace drydock::test
