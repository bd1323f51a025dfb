#include "support/CaptureFiles.h"

#include "support/TestEnvironment.h"
#include "trace/Trace.h"

#include <filesystem>

namespace capture {

std::string FolderPath() { return testenv::DriveRoot() + "/FirmwareUpdate"; }

std::string FilePath(int number) { return FolderPath() + "/Utility0" + std::to_string(number) + ".Txt"; }

void CreateFolder() { std::filesystem::create_directories(FolderPath()); }

std::string Read(int number)
{
    TraceFlush();
    return testenv::ReadTextFile(FilePath(number));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Checked by hand: the rotation test looks at 50002 lines, too many for
// std::regex in the sanitizer builds.
bool IsTraceLine(const std::string& line)
{
    if (line.size() < 22 || line.size() > 132) return false;
    if (line.find(':') != 12 || line[18] != ':') return false;
    if (line.find('\n') != std::string::npos) return false;
    size_t digits = 13;
    while (digits < 17 && line[digits] == ' ') ++digits;
    for (size_t i = digits; i < 18; ++i)
        if (line[i] < '0' || line[i] > '9') return false;
    const std::string prefix = line.substr(19, 3);
    return prefix == "<E>" || prefix == " W " || prefix == "   ";
}

std::vector<std::string> TraceLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const std::string& line : Lines(text))
        if (IsTraceLine(line)) lines.push_back(line);
    return lines;
}

std::string Message(const std::string& traceLine)
{
    return traceLine.size() > 22 ? traceLine.substr(22) : std::string();
}

}  // namespace capture
