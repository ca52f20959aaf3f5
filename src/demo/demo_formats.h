#pragma once
// The file formats the demo sandbox writes, every byte made by code: text
// lines, Windows bitmaps, Targa textures, wave sounds, JPEG pictures and
// stand-in bytes. None of them needs Qt.
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace drydock::demo {

struct Rgb {
  int r, g, b;  // 0..255; a writer clamps values outside
};
using Painter = std::function<Rgb(int x, int y)>;

// Each line followed by `eol`: the game and its mods come from Windows, so
// CR LF unless said otherwise.
std::string Lines(std::initializer_list<std::string_view> lines, std::string_view eol = "\r\n");

// An uncompressed 24-bit Windows bitmap, rows bottom-up.
std::string Bmp24(int width, int height, const Painter& paint);

// An uncompressed 24-bit Targa, bottom-left origin, as the game's textures.
std::string Tga24(int width, int height, const Painter& paint);

// A short 8-bit mono PCM tone that fades out.
std::string Wav(double frequency, int milliseconds);

// Stand-in bytes for the game's binary formats (models, maps, movies) that
// Drydock only copies and never reads; the seed keeps them the same on every run.
std::string Junk(std::string_view magic, unsigned seed, std::size_t size);

// A baseline JFIF JPEG (4:4:4) with the standard's quantisation tables scaled
// for `quality` (1 to 100, as libjpeg scales them) and its Huffman tables.
std::string Jpeg(int width, int height, const Painter& paint, int quality = 88);

}  // namespace drydock::demo
