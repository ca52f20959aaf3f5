#pragma once
// Whether a GIF file is whole. Qt draws a GIF that is cut short as far as it
// goes, half a picture above garbage, so the analyzer hands it only GIFs
// whose every block lies in the file up to the trailer.
#include <string_view>

namespace drydock::analyzer {

// True for bytes that start with a GIF87a or GIF89a header and hold the
// screen descriptor, the colour tables it announces, and extension and image
// blocks (at least one image) each wholly in the bytes, up to the trailer 0x3B.
bool IsWholeGif(std::string_view bytes);

}  // namespace drydock::analyzer
