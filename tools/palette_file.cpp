#include "tools/palette_file.h"

#include <string_view>

namespace dibtool {

namespace {

// A file's lines, numbered from 1, without their line ends.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text)
    {
        // A byte-order mark is how some Windows editors start a UTF-8 file.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            m_text.remove_prefix(3);
        }
    }

    bool Next(std::string_view& line)
    {
        if (m_at >= m_text.size()) {
            return false;
        }
        size_t end = m_text.find('\n', m_at);
        if (end == std::string_view::npos) {
            end = m_text.size();
        }
        line = m_text.substr(m_at, end - m_at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        m_at = end + 1;
        ++m_number;
        return true;
    }
    size_t number() const { return m_number; }
    std::string Where() const { return "line " + std::to_string(m_number) + ": "; }

private:
    std::string_view m_text;
    size_t m_at = 0;
    size_t m_number = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// One decimal 0..255 of at most 3 digits at line[at], advancing `at` past it.
bool ParseChannel(std::string_view line, size_t& at, BYTE& value)
{
    const size_t start = at;
    int parsed = 0;
    while (at < line.size() && IsDigit(line[at]) && at - start < 3) {
        parsed = parsed * 10 + (line[at] - '0');
        ++at;
    }
    if (at == start || parsed > 255 || (at < line.size() && IsDigit(line[at]))) {
        return false;
    }
    value = static_cast<BYTE>(parsed);
    return true;
}

// "R,G,B" and nothing else.
bool ParseCommaEntry(std::string_view line, PALETTEENTRY& entry)
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

// "R G B" with spaces or tabs around the numbers; with `nameMayFollow`, any
// text after whitespace behind B (GIMP's colour names).
bool ParseSpacedEntry(std::string_view line, bool nameMayFollow, PALETTEENTRY& entry)
{
    size_t at = 0;
    BYTE* channels[3] = {&entry.peRed, &entry.peGreen, &entry.peBlue};
    for (int i = 0; i < 3; ++i) {
        const size_t before = at;
        while (at < line.size() && IsSpace(line[at])) {
            ++at;
        }
        if ((i > 0 && at == before) || !ParseChannel(line, at, *channels[i])) {
            return false;
        }
    }
    entry.peFlags = 0;
    const std::string_view rest = line.substr(at);
    return Trimmed(rest).empty() || (nameMayFollow && IsSpace(rest.front()));
}

std::string NotAnEntry(const LineReader& lines, std::string_view line, const char* form)
{
    return lines.Where() + "'" + std::string(line) + "' is not " + form + " with each 0 to 255";
}

std::string TooMany(const LineReader& lines, size_t maxEntries)
{
    return lines.Where() + "more than " + std::to_string(maxEntries) + " entries";
}

// Entries one a line to the end of the file, each read by `parse`, passing
// over the lines `skip` accepts; `form` names the line's format in messages.
template <typename Skip, typename Parse>
std::string ParseEntryLines(LineReader& lines, size_t maxEntries, std::vector<PALETTEENTRY>& entries,
                            const char* form, Skip skip, Parse parse)
{
    for (std::string_view line; lines.Next(line);) {
        if (skip(line)) {
            continue;
        }
        PALETTEENTRY entry;
        if (!parse(line, entry)) {
            return NotAnEntry(lines, line, form);
        }
        if (entries.size() == maxEntries) {
            return TooMany(lines, maxEntries);
        }
        entries.push_back(entry);
    }
    return {};
}

std::string ParseCommaLines(LineReader& lines, size_t maxEntries, std::vector<PALETTEENTRY>& entries)
{
    const auto isComment = [](std::string_view line) { return line.empty() || line[0] == '#'; };
    return ParseEntryLines(lines, maxEntries, entries, "R,G,B", isComment, ParseCommaEntry);
}

// After the "GIMP Palette" line.
std::string ParseGimp(LineReader& lines, size_t maxEntries, std::vector<PALETTEENTRY>& entries)
{
    // The header fields may come only before the first entry.
    const auto isCommentOrHeader = [&entries](std::string_view line) {
        const std::string_view trimmed = Trimmed(line);
        return trimmed.empty() || trimmed[0] == '#' ||
               (entries.empty() && (trimmed.rfind("Name:", 0) == 0 || trimmed.rfind("Columns:", 0) == 0));
    };
    const auto nameMayFollow = [](std::string_view line, PALETTEENTRY& entry) {
        return ParseSpacedEntry(line, true, entry);
    };
    return ParseEntryLines(lines, maxEntries, entries, "R G B (and a name)", isCommentOrHeader, nameMayFollow);
}

// After the "JASC-PAL" line.
std::string ParseJasc(LineReader& lines, size_t maxEntries, std::vector<PALETTEENTRY>& entries)
{
    std::string_view line;
    if (!lines.Next(line) || Trimmed(line) != "0100") {
        return "line 2: a JASC-PAL file continues with version 0100" +
               (lines.number() == 2 ? ", not '" + std::string(line) + "'" : std::string(", but the file ends"));
    }
    if (!lines.Next(line)) {
        return "line 3: the file ends before the number of entries";
    }
    const std::string_view countText = Trimmed(line);
    size_t count = 0;
    for (char c : countText) {
        count = IsDigit(c) && count <= maxEntries ? count * 10 + static_cast<size_t>(c - '0') : maxEntries + 1;
    }
    if (countText.empty() || count > maxEntries) {
        return "line 3: '" + std::string(line) + "' is not a number of entries from 0 to " +
               std::to_string(maxEntries);
    }
    while (entries.size() < count) {
        if (!lines.Next(line)) {
            return "the file ends after " + std::to_string(entries.size()) + " of the " + std::to_string(count) +
                   " entries line 3 announces";
        }
        PALETTEENTRY entry;
        if (!ParseSpacedEntry(line, false, entry)) {
            return NotAnEntry(lines, line, "R G B");
        }
        entries.push_back(entry);
    }
    while (lines.Next(line)) {
        if (!Trimmed(line).empty()) {
            return lines.Where() + "'" + std::string(line) + "' follows the " + std::to_string(count) +
                   " entries line 3 announces";
        }
    }
    return {};
}

}  // namespace

std::string ParsePaletteFile(const std::string& text, size_t maxEntries, std::vector<PALETTEENTRY>& entries)
{
    entries.clear();
    LineReader lines(text);
    LineReader first = lines;
    std::string_view heading;
    first.Next(heading);
    heading = Trimmed(heading);
    if (heading == "GIMP Palette") {
        lines.Next(heading);
        return ParseGimp(lines, maxEntries, entries);
    }
    if (heading == "JASC-PAL") {
        lines.Next(heading);
        return ParseJasc(lines, maxEntries, entries);
    }
    return ParseCommaLines(lines, maxEntries, entries);
}

}  // namespace dibtool
