#include "tools/system_palette.h"

#include <cstdint>

#include "tools/image_file.h"

namespace dibtool {

namespace {

// One decimal 0..255 at text[at], advancing `at` past it.
bool ParseChannel(const std::string& line, size_t& at, BYTE& value)
{
    const size_t start = at;
    int parsed = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9' && at - start < 3) {
        parsed = parsed * 10 + (line[at] - '0');
        ++at;
    }
    if (at == start || parsed > 255 || (at < line.size() && line[at] >= '0' && line[at] <= '9')) {
        return false;
    }
    value = static_cast<BYTE>(parsed);
    return true;
}

bool ParseEntry(const std::string& line, PALETTEENTRY& entry)
{
    size_t at = 0;
    BYTE* channels[3] = {&entry.peRed, &entry.peGreen, &entry.peBlue};
    for (int i = 0; i < 3; ++i) {
        if (!ParseChannel(line, at, *channels[i])) {
            return false;
        }
        if (i < 2) {
            if (at >= line.size() || line[at] != ',') {
                return false;
            }
            ++at;
        }
    }
    entry.peFlags = 0;
    return at == line.size();
}

}  // namespace

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
    entries.clear();
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        PALETTEENTRY entry;
        if (!ParseEntry(line, entry)) {
            return "line " + std::to_string(lineNumber) + ": '" + line + "' is not R,G,B with each 0 to 255";
        }
        if (entries.size() == kSystemPaletteSize) {
            return "line " + std::to_string(lineNumber) + ": more than " + std::to_string(kSystemPaletteSize) +
                   " entries";
        }
        entries.push_back(entry);
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
