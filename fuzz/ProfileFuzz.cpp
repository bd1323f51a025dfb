// The lane's profile files: the input is the whole file. Every section
// listed and every key written in it is read; then one key is written, and
// everything read before must read the same after it.
#include "fuzz/FuzzSupport.h"
#include "platform/Platform.h"

#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const char FILE_NAME[] = "..\\Config\\Fuzz.Ini";
const char WRITTEN_KEY[] = "FuzzWrittenKey";

std::vector<std::string> SectionNames(unsigned size)
{
    std::vector<char> buffer(size + 1, 0x7F);
    unsigned copied = Plat_GetProfileSectionNames(buffer.data(), size, FILE_NAME);
    if (size > 0 && copied >= size) fuzzsupport::Fail("section list fills the whole buffer");
    if (buffer[size] != 0x7F) fuzzsupport::Fail("section list wrote past the buffer");
    std::vector<std::string> names;
    for (unsigned at = 0; at < copied;) {
        std::string name(buffer.data() + at);
        if (name.empty()) break;
        names.push_back(name);
        at += static_cast<unsigned>(name.size()) + 1;
    }
    return names;
}

// Text before '=' on each line, trimmed loosely: a guess at the keys; keys
// that are not there just read the default.
std::vector<std::string> KeyGuesses(const std::string& text)
{
    std::vector<std::string> keys;
    size_t start = 0;
    while (start < text.size() && keys.size() < 8) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos && line.find('\0') == std::string::npos) {
            std::string key = line.substr(0, equals);
            while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
            keys.push_back(key);
        }
        start = end + 1;
    }
    return keys;
}

std::string Read(const std::string& section, const std::string& key, unsigned size)
{
    std::vector<char> buffer(size + 1, 0x7F);
    unsigned copied =
        Plat_GetProfileString(section.c_str(), key.c_str(), "<none>", buffer.data(), size, FILE_NAME);
    if (buffer[size] != 0x7F) fuzzsupport::Fail("value wrote past the buffer");
    if (copied >= size || buffer[copied] != '\0') fuzzsupport::Fail("value not terminated");
    return std::string(buffer.data(), copied);
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::SetUpOnce();
    fuzzsupport::WriteFile(fuzzsupport::Scratch() + "/drive_c/lane/Config/Fuzz.Ini", data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    for (unsigned small : {1u, 2u, 5u}) SectionNames(small);
    std::vector<std::string> sections = SectionNames(4096);
    if (sections.size() > 8) sections.resize(8);
    sections.push_back("NoSuchSection");
    const std::vector<std::string> keys = KeyGuesses(text);

    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> before;
    for (const std::string& section : sections)
        for (const std::string& key : keys) {
            Read(section, key, 3);
            before.push_back({{section, key}, Read(section, key, 512)});
        }

    const std::string target = sections.front();
    if (!Plat_WriteProfileString(target.c_str(), WRITTEN_KEY, "written", FILE_NAME)) return 0;
    if (Read(target, WRITTEN_KEY, 512) != "written") fuzzsupport::Fail("written key reads otherwise");
    for (const auto& entry : before) {
        const std::string& section = entry.first.first;
        const std::string& key = entry.first.second;
        if (SameIgnoringCase(key, WRITTEN_KEY) && SameIgnoringCase(section, target)) continue;
        if (Read(section, key, 512) != entry.second) fuzzsupport::Fail("a write changed another value");
    }
    return 0;
}
