#pragma once
// The details panel's picture, decoded for the main window.
#include <QImage>

#include "modinfo/details_panel.h"

namespace drydock::modinfo {

// The picture of `view`, to be drawn unscaled from the top-left; a null image
// when there is none, when it failed the check (it is then never decoded), or
// when Qt cannot decode it.
QImage DecodeDetailsPicture(const DetailsView& view);

}  // namespace drydock::modinfo
