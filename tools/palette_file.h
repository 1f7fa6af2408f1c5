// Palette files in the forms users have, told apart by their first line:
//   GIMP   "GIMP Palette", then optional "Name:" and "Columns:" lines, then
//          "R G B" lines (whitespace between, an optional colour name after);
//   JASC   "JASC-PAL", "0100", the number of entries, then one "R G B" line
//          per entry (Paint Shop Pro and many other programs);
//   R,G,B  what `dibdraw palette` writes: one "R,G,B" line per entry.
// Lines starting with '#' and blank lines are ignored in GIMP and R,G,B
// files, and every line may end in CR LF.
#pragma once

#include <string>
#include <vector>

#include "dibplatform.h"

namespace dibtool {

// Parses a palette file's text into its entries, at most `maxEntries` of
// them. Returns an empty string on success, otherwise what is wrong, naming
// the line ("line 4: '1 2' is not R G B with each 0 to 255").
std::string ParsePaletteFile(const std::string& text, size_t maxEntries, std::vector<PALETTEENTRY>& entries);

}  // namespace dibtool
