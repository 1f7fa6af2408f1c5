// System palette files: what `dibdraw palette` writes and --system-palette
// reads. One "R,G,B" line per entry, from entry 0 up, 256 in all; lines
// starting with '#' and blank lines are ignored, and a line may end in CR LF.
// GIMP and JASC-PAL palettes of 256 entries are read too (palette_file.h).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "dibplatform.h"

namespace dibtool {

constexpr size_t kSystemPaletteSize = 256;

// The file's text for these entries, with a heading comment.
std::string FormatSystemPalette(std::span<const PALETTEENTRY> entries);

// Parses a file's text, in any of the forms palette_file.h reads, into
// exactly 256 entries. Returns an empty string on success, otherwise what is
// wrong, naming the line.
std::string ParseSystemPalette(const std::string& text, std::vector<PALETTEENTRY>& entries);

// Reads and parses a file. Returns an empty string on success, otherwise what
// is wrong with it.
std::string ReadSystemPaletteFile(const std::string& path, std::vector<PALETTEENTRY>& entries);

}  // namespace dibtool
