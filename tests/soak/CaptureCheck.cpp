#include "CaptureCheck.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace soak {

namespace {

const size_t MAX_LINE = 132;  // head, prefix and message, line ends within it included
const size_t HEAD = 12 + 1 + 5 + 1 + 3;

const char OPENED[] = "\n --- File Opened : Date / Time : ";
const char CLOSING[] = "\n*** Program closing ***\n\n";
const char CONTINUED[] = "\n*** Continued in next capture file ***\n\n Current Date / Time : ";

bool Digits(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size()) return false;
    for (size_t i = at; i < at + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// "mm/dd/yy : hh:mm:ss : <milliseconds>" at the offset; where it ends, or npos.
size_t SkipStamp(const std::string& text, size_t at)
{
    const std::string shape = "99/99/99 : 99:99:99 : ";
    if (at + shape.size() > text.size()) return std::string::npos;
    for (size_t i = 0; i < shape.size(); ++i) {
        const char c = text[at + i];
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(c)) : c != shape[i])
            return std::string::npos;
    }
    size_t end = at + shape.size();
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    return end > at + shape.size() ? end : std::string::npos;
}

bool StartsWithAt(const std::string& text, size_t at, const std::string& part)
{
    return text.compare(at, part.size(), part) == 0;
}

bool IsHead(const std::string& line)
{
    if (line.size() < HEAD || line[12] != ':' || line[18] != ':') return false;
    const std::string name = line.substr(0, 12);
    const size_t used = name.find_last_not_of(' ');
    if (used == std::string::npos || name[0] == ' ') return false;
    for (size_t i = 0; i <= used; ++i) {
        const char c = name[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '-')
            return false;
    }
    const size_t digits = line.find_first_not_of(' ', 13);
    if (digits >= 18 || !Digits(line, digits, 18 - digits)) return false;
    const std::string prefix = line.substr(19, 3);
    return prefix == "<E>" || prefix == " W " || prefix == "   ";
}

std::string At(size_t lineNumber, const std::string& problem)
{
    return "line " + std::to_string(lineNumber) + ": " + problem;
}

// Every line of the body is a trace line's head line, or the text after a
// line end inside the message of the trace line before it.
std::string CheckBody(const std::string& body, size_t firstLine)
{
    if (body.find('\0') != std::string::npos) return "a zero byte in the file";
    if (!body.empty() && body.back() != '\n') return "the last trace line has no line end";
    size_t recordLength = 0;
    bool inRecord = false;
    size_t lineNumber = firstLine;
    for (size_t at = 0; at < body.size(); ++lineNumber) {
        const size_t end = body.find('\n', at);
        const std::string line = body.substr(at, end - at);
        at = end + 1;
        if (IsHead(line)) {
            inRecord = true;
            recordLength = line.size();
        } else if (!inRecord) {
            return At(lineNumber, "text before the first trace line: \"" + line + "\"");
        } else {
            recordLength += 1 + line.size();
        }
        if (recordLength > MAX_LINE)
            return At(lineNumber, "a trace line longer than 132 characters: \"" + line + "\"");
    }
    return "";
}

}  // namespace

std::string CheckCaptureFile(const std::string& text, CaptureEnd end)
{
    if (!StartsWithAt(text, 0, OPENED)) return "no \"File Opened\" header";
    size_t at = SkipStamp(text, sizeof OPENED - 1);
    if (at == std::string::npos || !StartsWithAt(text, at, " ---\n\n")) return "a malformed header";
    const size_t bodyStart = at + 6;

    size_t bodyEnd = text.size();
    if (end == CaptureEnd::Closing) {
        const std::string footer = CLOSING;
        if (text.size() < bodyStart + footer.size() ||
            text.compare(text.size() - footer.size(), footer.size(), footer) != 0)
            return "no \"Program closing\" footer at the end";
        bodyEnd = text.size() - footer.size();
    } else if (end == CaptureEnd::Continued) {
        bodyEnd = text.rfind(CONTINUED);
        if (bodyEnd == std::string::npos || bodyEnd < bodyStart) return "no \"Continued\" footer";
        at = SkipStamp(text, bodyEnd + sizeof CONTINUED - 1);
        if (at == std::string::npos || text.compare(at, std::string::npos, "\n\n") != 0)
            return "a malformed \"Continued\" footer";
    }
    return CheckBody(text.substr(bodyStart, bodyEnd - bodyStart), 4);
}

bool CapturedReturnCode(const std::string& text, int* status)
{
    const std::string label = "   Return Code ";
    const size_t at = text.rfind(label);
    if (at == std::string::npos) return false;
    *status = std::atoi(text.c_str() + at + label.size());
    return true;
}

}  // namespace soak
