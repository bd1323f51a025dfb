#include "fuzz/FuzzBoard.h"

#include "config/PgmCnfgTestHooks.h"
#include "fuzz/FuzzSupport.h"
#include "link/USB_Standalone.h"
#include "link/securitymodule.h"
#include "link/ReceiveQueue.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzzboard {

namespace {

const uint8_t* input = nullptr;
size_t inputSize = 0;
size_t inputAt = 0;
std::vector<Written> written;
const char* keyScript = "";
unsigned keyPolls = 0;

uint8_t NextByte() { return inputAt < inputSize ? input[inputAt++] : 0; }

// The next group of the input into the receive queue, each record zero past
// DL as the reader leaves it.
void QueueNextGroup()
{
    if (inputAt >= inputSize) return;
    const int count = NextByte();
    for (int i = 0; i < count && inputAt < inputSize; ++i) {
        ModulePacket packet;
        std::memset(&packet, 0, sizeof packet);
        packet.DA = NextByte();
        packet.DC = ORBA_DC_DATA;
        size_t length = NextByte() % (USB_PACKET_MAX_DL + 1);
        if (length > inputSize - inputAt) length = inputSize - inputAt;
        packet.DL = static_cast<uint8_t>(length);
        if (length > 0) std::memcpy(packet.data, input + inputAt, length);
        inputAt += length;
        QueueReceivedPacket(&packet);
    }
}

PlatDevice Open(const char*, int access, unsigned long*) { return 100 + access; }

// No reader thread runs: the answers go straight to the queue.
bool Read(PlatDevice, void*, unsigned, unsigned*, unsigned long* errorCode)
{
    *errorCode = 0x1F;
    return false;
}

// Wire bytes: DA, DC, DL, data. Port control packets get no answer.
bool Write(PlatDevice, const void* bytes, unsigned size, unsigned* count, unsigned long*)
{
    *count = size;
    const uint8_t* wire = static_cast<const uint8_t*>(bytes);
    if (size < 3 || wire[1] != ORBA_DC_DATA) return true;
    const size_t length = wire[2] <= size - 3 ? wire[2] : size - 3;
    written.push_back({wire[0], std::string(reinterpret_cast<const char*>(wire + 3), length)});
    QueueNextGroup();
    return true;
}

bool Control(PlatDevice, unsigned long, void*, unsigned, unsigned long*) { return true; }

const PlatDeviceOps board = {Open, Read, Write, Control};

bool KeyHit() { return ++keyPolls % 4 == 0; }

int GetKey()
{
    if (*keyScript == '\0') return 'X';
    return static_cast<unsigned char>(*keyScript++);
}

void EmptyLine(char* buffer, size_t size)
{
    if (size > 0) buffer[0] = '\0';
}

// FUZZ_SHOW_CONSOLE set: what the command shows goes to stderr, to follow
// one input by hand.
bool showConsole = false;

void Show(const char* text, size_t length)
{
    if (showConsole) std::fwrite(text, 1, length, stderr);
}

const PlatConsoleOps scriptedConsole = {KeyHit, GetKey, EmptyLine, Show};

}  // namespace

void SetUpOnce()
{
    static bool done = false;
    if (done) return;
    fuzzsupport::SetUpOnce();
    // Every wait of the link is a number of 100 ms polls; here they cost nothing.
    fuzzsupport::SkipWaits();
    ProgramConfigUseDefaultsForTests();
    Plat_SetDevice(&board);
    showConsole = std::getenv("FUZZ_SHOW_CONSOLE") != nullptr;
    Plat_SetConsole(&scriptedConsole);
    if (USB_OpenSecurityModule() != 0) fuzzsupport::Fail("open");
    done = true;
}

void Start(const uint8_t* data, size_t size, const char* keys)
{
    SetUpOnce();
    ModulePacket stale;
    while (DequeueReceivedPacket(&stale)) {
    }
    input = data;
    inputSize = size;
    inputAt = 0;
    written.clear();
    keyScript = keys;
    keyPolls = 0;
}

const std::vector<Written>& WrittenPackets() { return written; }

bool IsPacket(const Written& packet, uint8_t port, const std::string& data)
{
    return packet.port == port && packet.data == data;
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
    std::fclose(file);
    return text;
}

}  // namespace fuzzboard
