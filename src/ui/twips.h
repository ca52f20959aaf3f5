#pragma once
// The windows' designs are measured in twips: 1440 to the inch, 15 to a pixel
// at normal screen density. `scale` enlarges a design for a larger font.
#include <cmath>

namespace drydock::ui {

constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(int twips, double scale = 1.0) {
  return static_cast<int>(std::lround(twips * scale / kTwipsPerPixel));
}

}  // namespace drydock::ui
