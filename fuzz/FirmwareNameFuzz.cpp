// The firmware file's name and contents: the input is the name, a zero byte
// and the file's bytes. The marker search and the checksum digits agree with
// a plain reading of the name, and loading a file of that name fails for
// exactly the reason its name and contents give.
#include "commands/FirmwareFile.h"
#include "commands/FirmwareFileName.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool SameLetter(char a, char b)
{
    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

int PlainFind(const std::string& marker, const std::string& name)
{
    const auto at = std::search(name.begin(), name.end(), marker.begin(), marker.end(), SameLetter);
    return at == name.end() ? -1 : static_cast<int>(at - name.begin());
}

std::string PlainDigits(const std::string& name)
{
    const int at = PlainFind("CRC_", name);
    if (at < 0) return std::string();
    std::string digits;
    for (size_t i = static_cast<size_t>(at) + 4; i < name.size() && digits.size() < 8; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) break;
        digits += name[i];
    }
    return digits;
}

// A name that stays in the current folder, so the file can be put there.
bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name.size() < 200 && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

int ExpectedLoadResult(const std::string& name, const std::string& contents)
{
    if (PlainFind(FirmwareControllerMarker(), name) < 0) return FIRMWARE_FILE_WRONG_CONTROLLER;
    const std::string digits = PlainDigits(name);
    if (digits.empty()) return FIRMWARE_FILE_NO_CHECKSUM;
    uint32_t sum = 0;
    for (unsigned char byte : contents) sum += byte;
    return std::stoul(digits, nullptr, 16) == sum ? FIRMWARE_FILE_OK : FIRMWARE_FILE_CHECKSUM_MISMATCH;
}

void CheckLoad(const std::string& name, const std::string& contents)
{
    char native[4096];
    if (!Plat_NativePath(name.c_str(), native, sizeof native)) return;
    fuzzsupport::WriteFile(native, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
    static std::vector<uint8_t> image(FIRMWARE_IMAGE_SIZE);
    int byteCount = -1;
    const int result = LoadFirmwareFile(name.c_str(), image.data(), &byteCount);
    std::remove(native);
    if (result != ExpectedLoadResult(name, contents)) fuzzsupport::Fail("load result differs");
    const bool read = result == FIRMWARE_FILE_OK || result == FIRMWARE_FILE_CHECKSUM_MISMATCH;
    if (byteCount != (read ? static_cast<int>(contents.size()) : 0))
        fuzzsupport::Fail("byte count differs");
    if (read && std::memcmp(image.data(), contents.data(), contents.size()) != 0)
        fuzzsupport::Fail("image differs from the file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::SetUpOnce();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t end = input.find('\0');
    const std::string name = input.substr(0, end);
    const std::string contents = end == std::string::npos ? std::string() : input.substr(end + 1);

    for (const char* marker : {"SU_", "CU_", "CRC_", "x"})
        if (FindNameMarker(marker, name.c_str()) != PlainFind(marker, name))
            fuzzsupport::Fail("marker search differs");
    char digits[EXPECTED_CHECKSUM_MAX_DIGITS + 1];
    std::memset(digits, 0x7F, sizeof digits);
    uint32_t checksum = 1;
    const bool found = ExpectedChecksumFromName(name.c_str(), digits, &checksum);
    const std::string plain = PlainDigits(name);
    if (found != !plain.empty() || digits != plain) fuzzsupport::Fail("checksum digits differ");
    if (checksum != (plain.empty() ? 0 : std::stoul(plain, nullptr, 16)))
        fuzzsupport::Fail("checksum value differs");

    if (IsPlainFileName(name)) CheckLoad(name, contents);
    return 0;
}
