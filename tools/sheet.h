// dibdraw sheet: one image on every kind of display (a row each: 1, 4, 8, 16
// and 24 bits) in every dither mode (a column each: 0 to 3), each panel
// labelled above it, in one PNG.
#pragma once

#include "core/modes.h"
#include "tools/options.h"
#include "tools/packed_dib.h"
#include "tools/render.h"

namespace dibtool {

inline constexpr DisplayKind kSheetDisplays[] = {DisplayKind::Mono, DisplayKind::Packed4, DisplayKind::Palette8,
                                                 DisplayKind::Rgb565, DisplayKind::Rgb24};
inline constexpr int kSheetDitherModes = static_cast<int>(dibdraw::kDitherModes.size());

// Renders the image as the options and geometry say, once per display and
// dither mode, and writes the sheet to options.output. Returns the report of
// the first render that failed, or else of the last one, whose outputProblem
// says why the sheet could not be written.
RenderReport RenderSheet(const Options& options, const Geometry& geometry, const PackedDib& image);

}  // namespace dibtool
