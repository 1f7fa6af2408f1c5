#include "tools/system_palette.h"

#include <cstdint>

#include "tools/image_file.h"
#include "tools/palette_file.h"

namespace dibtool {

std::string FormatSystemPalette(std::span<const PALETTEENTRY> entries)
{
    std::string text = "# system palette: " + std::to_string(entries.size()) +
                       " entries from index 0, one red,green,blue per line\n";
    for (const PALETTEENTRY& e : entries) {
        text += std::to_string(e.peRed) + "," + std::to_string(e.peGreen) + "," + std::to_string(e.peBlue) + "\n";
    }
    return text;
}

std::string ParseSystemPalette(const std::string& text, std::vector<PALETTEENTRY>& entries)
{
    if (std::string problem = ParsePaletteFile(text, kSystemPaletteSize, entries); !problem.empty()) {
        return problem;
    }
    if (entries.size() != kSystemPaletteSize) {
        return std::to_string(entries.size()) + " entries instead of " + std::to_string(kSystemPaletteSize);
    }
    return {};
}

std::string ReadSystemPaletteFile(const std::string& path, std::vector<PALETTEENTRY>& entries)
{
    std::vector<uint8_t> bytes;
    if (std::string problem = ReadWholeFile(path, bytes); !problem.empty()) {
        return problem;
    }
    return ParseSystemPalette(std::string(bytes.begin(), bytes.end()), entries);
}

}  // namespace dibtool
