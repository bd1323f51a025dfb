// Firmware upload on the module port: the start-upload request (F1) and the
// data blocks (F2). The board checks each request, keeps the image in
// state.uploadImage, and answers f1 and f2, or f3 for the block that
// completes the announced size.
//
// Scenario settings:
//   setting.upload.start-code=C    answer the start request with code C
//   setting.upload.refuse-block=N  refuse the Nth block (from 1) ...
//   setting.upload.block-code=C    ... with code C (E by default)
// Codes the board gives itself: L a request of the wrong length, T a date
// that is not mm/dd/yy, N a name field that is not 32 printable characters,
// U a block without an accepted start, B a block of the wrong size, C an
// image whose byte sum is not the one announced.
//
// What it keeps: upload.state (receiving, complete, refused), upload.size,
// upload.checksum, upload.date, upload.name and upload.blocks.
#include "emulator/RequestHandlers.h"

#include <cctype>

namespace emulator {

namespace {

const size_t START_DL = 48;
const size_t BLOCK_SIZE = 32;

std::string Setting(const BoardState& state, const std::string& name, const std::string& fallback)
{
    auto found = state.settings.find(name);
    return found == state.settings.end() || found->second.empty() ? fallback : found->second;
}

// "f1", "f2" or "f3" and the result code.
void Answer(Replies& replies, char kind, char code)
{
    replies.Send({'f', static_cast<uint8_t>(kind), static_cast<uint8_t>(code)});
}

bool IsDate(const std::vector<uint8_t>& data)
{
    for (size_t i = 8; i < 16; ++i) {
        const bool slash = i == 10 || i == 13;
        if (slash ? data[i] != '/' : !std::isdigit(data[i])) return false;
    }
    return true;
}

bool IsNameField(const std::vector<uint8_t>& data)
{
    for (size_t i = 16; i < START_DL; ++i)
        if (data[i] < 0x20 || data[i] > 0x7E) return false;
    return true;
}

char CheckStart(const std::vector<uint8_t>& data)
{
    if (data.size() != START_DL) return 'L';
    if (!IsDate(data)) return 'T';
    if (!IsNameField(data)) return 'N';
    return '0';
}

uint32_t ByteSum(const std::vector<uint8_t>& image)
{
    uint32_t sum = 0;
    for (uint8_t byte : image) sum += byte;
    return sum;
}

void StartUpload(BoardState& state, const Request& request, Replies& replies)
{
    const std::vector<uint8_t>& d = request.data;
    char code = CheckStart(d);
    if (code == '0') code = Setting(state, "upload.start-code", "0")[0];
    if (code != '0') {
        state.settings["upload.state"] = "refused";
        Answer(replies, '1', code);
        return;
    }
    const long size = static_cast<long>(d[2]) << 8 | d[3];
    const uint32_t checksum = static_cast<uint32_t>(d[4]) << 24 | static_cast<uint32_t>(d[5]) << 16 |
                              static_cast<uint32_t>(d[6]) << 8 | d[7];
    state.uploadImage.clear();
    state.settings["upload.state"] = size == 0 ? "complete" : "receiving";
    SetSettingNumber(state, "upload.size", size);
    SetSettingNumber(state, "upload.checksum", static_cast<long>(checksum));
    SetSettingNumber(state, "upload.blocks", 0);
    state.settings["upload.date"] = std::string(d.begin() + 8, d.begin() + 16);
    state.settings["upload.name"] = std::string(d.begin() + 16, d.end());
    Answer(replies, '1', '0');
}

// The code for this block, before it is taken in.
char CheckBlock(const BoardState& state, size_t count)
{
    if (Setting(state, "upload.state", "") != "receiving") return 'U';
    const size_t left = static_cast<size_t>(SettingNumber(state, "upload.size", 0)) -
                        state.uploadImage.size();
    if (count != (left < BLOCK_SIZE ? left : BLOCK_SIZE)) return 'B';
    const long number = SettingNumber(state, "upload.blocks", 0) + 1;
    if (SettingNumber(state, "upload.refuse-block", 0) == number)
        return Setting(state, "upload.block-code", "E")[0];
    return '0';
}

void UploadBlock(BoardState& state, const Request& request, Replies& replies)
{
    const size_t count = request.data.size() < 2 ? 0 : request.data.size() - 2;
    const char code = CheckBlock(state, count);
    if (code != '0') {
        Answer(replies, '2', code);
        return;
    }
    state.uploadImage.insert(state.uploadImage.end(), request.data.begin() + 2, request.data.end());
    SetSettingNumber(state, "upload.blocks", SettingNumber(state, "upload.blocks", 0) + 1);
    if (static_cast<long>(state.uploadImage.size()) < SettingNumber(state, "upload.size", 0)) {
        Answer(replies, '2', '0');
        return;
    }
    state.settings["upload.state"] = "complete";
    const bool sumRight = static_cast<long>(ByteSum(state.uploadImage)) ==
                          SettingNumber(state, "upload.checksum", -1);
    Answer(replies, '3', sumRight ? '0' : 'C');
}

}  // namespace

void AddUploadHandlers(HandlerTable& table)
{
    table.moduleRequests["F1"] = StartUpload;
    table.moduleRequests["F2"] = UploadBlock;
}

}  // namespace emulator
