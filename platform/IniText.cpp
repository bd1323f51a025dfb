#include "platform/IniText.h"

#include <cctype>
#include <cstring>

namespace {

// One line of the text: its bytes without the line end, and the length of
// its line end (0 for a last line without one, 1 for "\n", 2 for "\r\n").
struct Line {
    size_t start;
    size_t length;
    size_t endLength;
};

enum LineKind { LINE_OTHER, LINE_SECTION, LINE_ENTRY };

struct ParsedLine {
    LineKind kind;
    std::string name;
    std::string value;
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({start, text.size() - start, 0});
            break;
        }
        bool crlf = newline > start && text[newline - 1] == '\r';
        size_t length = newline - start - (crlf ? 1 : 0);
        lines.push_back({start, length, crlf ? 2u : 1u});
        start = newline + 1;
    }
    return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const char* begin, const char* end)
{
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return std::string(begin, end);
}

// One pair of matching quotes around the whole value goes.
std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

ParsedLine ParseLine(const std::string& text, const Line& line)
{
    const char* begin = text.data() + line.start;
    const char* end = begin + line.length;
    while (begin < end && IsBlank(*begin)) ++begin;
    if (begin == end || *begin == ';') return {LINE_OTHER, std::string(), std::string()};
    if (*begin == '[') {
        const char* close = static_cast<const char*>(std::memchr(begin, ']', end - begin));
        if (close != nullptr) return {LINE_SECTION, Trim(begin + 1, close), std::string()};
    }
    const char* equals = static_cast<const char*>(std::memchr(begin, '=', end - begin));
    if (equals == nullptr) return {LINE_OTHER, std::string(), std::string()};
    return {LINE_ENTRY, Trim(begin, equals), Unquote(Trim(equals + 1, end))};
}

// The caller's name is trimmed as the file's names are, so that a name
// written with blanks around it reads back.
bool SameName(const std::string& a, const char* b)
{
    size_t length = std::strlen(b);
    while (length > 0 && IsBlank(*b)) {
        ++b;
        --length;
    }
    while (length > 0 && IsBlank(b[length - 1])) --length;
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Index of the first section header of that name, or lines.size().
size_t FindSection(const std::string& text, const std::vector<Line>& lines, const char* section)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(text, lines[i]);
        if (parsed.kind == LINE_SECTION && SameName(parsed.name, section)) return i;
    }
    return lines.size();
}

// Where a section's entries are: the first matching entry (or none) and the
// last entry of the section (the header when it has none).
struct SectionScan {
    size_t match;
    size_t lastEntry;
};

SectionScan ScanSection(const std::string& text, const std::vector<Line>& lines, size_t header,
                        const char* key, std::string* value)
{
    SectionScan scan = {lines.size(), header};
    for (size_t i = header + 1; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(text, lines[i]);
        if (parsed.kind == LINE_SECTION) break;
        if (parsed.kind != LINE_ENTRY) continue;
        scan.lastEntry = i;
        if (scan.match == lines.size() && SameName(parsed.name, key)) {
            scan.match = i;
            if (value != nullptr) *value = parsed.value;
        }
    }
    return scan;
}

std::string LineEndOf(const std::vector<Line>& lines)
{
    return (!lines.empty() && lines[0].endLength == 2) ? "\r\n" : "\n";
}

}  // namespace

bool IniFindValue(const std::string& text, const char* section, const char* key, std::string* value)
{
    std::vector<Line> lines = SplitLines(text);
    size_t header = FindSection(text, lines, section);
    if (header == lines.size()) return false;
    return ScanSection(text, lines, header, key, value).match != lines.size();
}

bool IniHasSection(const std::string& text, const char* section)
{
    std::vector<Line> lines = SplitLines(text);
    return FindSection(text, lines, section) != lines.size();
}

std::vector<std::string> IniSectionNames(const std::string& text)
{
    std::vector<std::string> names;
    for (const Line& line : SplitLines(text)) {
        ParsedLine parsed = ParseLine(text, line);
        if (parsed.kind == LINE_SECTION) names.push_back(parsed.name);
    }
    return names;
}

std::string IniSetValue(const std::string& text, const char* section, const char* key, const char* value)
{
    std::vector<Line> lines = SplitLines(text);
    const std::string lineEnd = LineEndOf(lines);
    const std::string entry = std::string(key) + "=" + value;
    size_t header = FindSection(text, lines, section);
    if (header == lines.size()) {
        std::string result = text;
        if (!lines.empty() && lines.back().endLength == 0) result += lineEnd;
        return result + "[" + section + "]" + lineEnd + entry + lineEnd;
    }
    SectionScan scan = ScanSection(text, lines, header, key, nullptr);
    if (scan.match != lines.size()) {
        const Line& old = lines[scan.match];
        return text.substr(0, old.start) + entry + text.substr(old.start + old.length);
    }
    const Line& after = lines[scan.lastEntry];
    size_t at = after.start + after.length + after.endLength;
    std::string added = (after.endLength == 0 ? lineEnd : std::string()) + entry + lineEnd;
    return text.substr(0, at) + added + text.substr(at);
}
