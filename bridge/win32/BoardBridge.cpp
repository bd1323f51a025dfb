// board-bridge.exe: serves the board devices (\\.\SecModuleDevice0,
// \\.\ConvUnitDevice0) to Windows programs from a board that board-relay
// reaches, so that the unchanged utilities run against any board of the
// device-socket protocol (the emulator, a test harness) under Wine.
//
// Each device name is an NT symbolic link \??\NAME to the named pipe
// \Device\NamedPipe\NAME, kept while this program runs. Every pipe
// connection is one open of the device: it becomes one TCP connection to the
// relay, which opens the board's socket. The open tag comes from the order of
// the client's opens (a utility opens for writing, reading, writing,
// reading, in that order), since a pipe server cannot see the access a client
// asked for. What crosses a pipe:
//   program's WriteFile (bytes)  -> board message "D" + bytes
//   board message "P" + bytes    -> one pipe message: the program's ReadFile
//                                   (the next one once it has been read)
//   board hangs up               -> the pipe is closed: the next ReadFile
//                                   fails (ERROR_BROKEN_PIPE)
// A refused open ("E" + code) closes the pipe at once: the pipe open has
// already succeeded, so the program sees the refusal at its first read or
// write on that handle instead of in CreateFileA.
//
// Usage: board-bridge.exe PORT NAME...   (PORT: board-relay's TCP port)
// Prints "board-bridge: ready" once every name is served; ends when its
// standard input ends.
#include "bridge/RelayFrames.h"

#include <winsock2.h>
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Enough listening instances for the four opens of one program.
const unsigned LISTENERS = 4;

unsigned short relayPort = 0;

// ------------------------------------------------------------------- TCP side

bool SendFrame(SOCKET relay, const unsigned char* bytes, size_t size)
{
    return relay::SendFrame(
        [relay](const unsigned char* part, size_t partSize) {
            return static_cast<long>(
                send(relay, reinterpret_cast<const char*>(part), static_cast<int>(partSize), 0));
        },
        bytes, size);
}

bool ReceiveFrame(SOCKET relay, std::vector<unsigned char>* frame)
{
    return relay::ReceiveFrame(
        [relay](unsigned char* part, size_t partSize) {
            return static_cast<long>(
                recv(relay, reinterpret_cast<char*>(part), static_cast<int>(partSize), 0));
        },
        frame);
}

SOCKET ConnectRelay()
{
    SOCKET relay = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (relay == INVALID_SOCKET) return relay;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(relayPort);
    if (connect(relay, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(relay);
        return INVALID_SOCKET;
    }
    // Packets are small and the programs wait on every answer.
    const BOOL noDelay = TRUE;
    setsockopt(relay, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    return relay;
}

// Opens the device on the board: the name, then the open tag. True when the
// board answered "O"; the relay connection in *relay either way.
bool OpenOnBoard(const std::string& name, char tag, SOCKET* relay)
{
    *relay = ConnectRelay();
    if (*relay == INVALID_SOCKET) return false;
    std::vector<unsigned char> answer;
    return SendFrame(*relay, reinterpret_cast<const unsigned char*>(name.data()), name.size()) &&
           SendFrame(*relay, reinterpret_cast<const unsigned char*>(&tag), 1) &&
           ReceiveFrame(*relay, &answer) && answer.size() == 1 && answer[0] == 'O';
}

// ------------------------------------------------------------------ pipe side

// Waits for an overlapped pipe call; false when it failed (or was stopped).
bool Complete(HANDLE pipe, OVERLAPPED* pending, BOOL started, DWORD* count, HANDLE stop)
{
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    if (stop != nullptr) {
        const HANDLE events[2] = {pending->hEvent, stop};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIoEx(pipe, pending);
            GetOverlappedResult(pipe, pending, count, TRUE);
            return false;
        }
    }
    return GetOverlappedResult(pipe, pending, count, TRUE) != 0;
}

// One read result, taken whole by one ReadFile: the program's end of the
// pipe reads bytes, not messages (CreateFileA opens it so), so the next
// message goes only once this one has been read.
bool WritePipeMessage(HANDLE pipe, const unsigned char* bytes, DWORD size, HANDLE event)
{
    OVERLAPPED pending = {};
    pending.hEvent = event;
    DWORD written = 0;
    const BOOL started = WriteFile(pipe, bytes, size, &written, &pending);
    return Complete(pipe, &pending, started, &written, nullptr) && written == size &&
           FlushFileBuffers(pipe) != 0;
}

// One whole message the program wrote; false once the program has closed
// its handle or stop is set.
bool ReadPipeMessage(HANDLE pipe, std::vector<unsigned char>* message, HANDLE event, HANDLE stop)
{
    message->clear();
    unsigned char chunk[4096];
    for (;;) {
        OVERLAPPED pending = {};
        pending.hEvent = event;
        DWORD count = 0;
        const BOOL started = ReadFile(pipe, chunk, sizeof chunk, &count, &pending);
        const bool done = Complete(pipe, &pending, started, &count, stop);
        if (!done && GetLastError() != ERROR_MORE_DATA) return false;
        message->insert(message->end(), chunk, chunk + count);
        if (done) return true;
    }
}

// ---------------------------------------------------------------- connections

// Relays one opened device until the program or the board closes it.
void ServeConnection(HANDLE pipe, SOCKET relay)
{
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Board to program: read results only, each one pipe message.
    std::thread toProgram([pipe, relay, stop] {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::vector<unsigned char> frame;
        while (ReceiveFrame(relay, &frame)) {
            if (frame.empty() || frame[0] != 'P') continue;
            if (!WritePipeMessage(pipe, frame.data() + 1, static_cast<DWORD>(frame.size() - 1), event))
                break;
        }
        CloseHandle(event);
        SetEvent(stop);
    });
    // Program to board: each WriteFile as "D" and its bytes.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<unsigned char> message;
    while (ReadPipeMessage(pipe, &message, event, stop)) {
        message.insert(message.begin(), 'D');
        if (!SendFrame(relay, message.data(), message.size())) break;
    }
    shutdown(relay, SD_BOTH);
    toProgram.join();
    CloseHandle(event);
    CloseHandle(stop);
    closesocket(relay);
    // Closed without a disconnect: what the board sent before it hung up
    // can still be read, then reads fail.
    CloseHandle(pipe);
}

// The open tags of each client process: even opens write, odd ones read.
struct ClientOpens {
    HANDLE process;
    unsigned opens;
};

std::mutex clientsLock;
std::map<DWORD, ClientOpens> clients;

char NextOpenTag(HANDLE pipe)
{
    ULONG processId = 0;
    GetNamedPipeClientProcessId(pipe, &processId);
    std::lock_guard<std::mutex> hold(clientsLock);
    auto found = clients.find(processId);
    // A process that has ended leaves its id free for a new one.
    if (found != clients.end() && WaitForSingleObject(found->second.process, 0) != WAIT_TIMEOUT) {
        CloseHandle(found->second.process);
        clients.erase(found);
        found = clients.end();
    }
    if (found == clients.end()) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        found = clients.emplace(processId, ClientOpens{process, 0}).first;
    }
    return found->second.opens++ % 2 == 0 ? 'W' : 'R';
}

struct Listener {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED pending = {};
    bool connected = false;
};

// A new pipe instance waiting for a client; null when none could be made.
std::unique_ptr<Listener> Listen(const std::string& name)
{
    std::unique_ptr<Listener> listener(new Listener);
    const std::string pipeName = "\\\\.\\pipe\\" + name;
    listener->pipe = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                      PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
    if (listener->pipe == INVALID_HANDLE_VALUE) return nullptr;
    listener->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    listener->pending.hEvent = listener->event;
    if (ConnectNamedPipe(listener->pipe, &listener->pending)) {
        listener->connected = true;
    } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
        listener->connected = true;
        SetEvent(listener->event);
    } else if (GetLastError() != ERROR_IO_PENDING) {
        CloseHandle(listener->pipe);
        CloseHandle(listener->event);
        return nullptr;
    }
    return listener;
}

// Takes the opens of one device in the order they were made: a client
// connects to the instance that has listened longest, and the board must see
// the opens in that order (its reads go to the newest reading open).
void ServeDevice(const std::string& name, std::deque<std::unique_ptr<Listener>> listening)
{
    for (;;) {
        // The call in progress owns the OVERLAPPED: the listener stays put.
        std::unique_ptr<Listener> next = std::move(listening.front());
        listening.pop_front();
        HANDLE pipe = next->pipe;
        if (!next->connected) {
            DWORD ignored = 0;
            if (!GetOverlappedResult(pipe, &next->pending, &ignored, TRUE) &&
                GetLastError() != ERROR_PIPE_CONNECTED) {
                CloseHandle(pipe);
                pipe = INVALID_HANDLE_VALUE;
            }
        }
        CloseHandle(next->event);
        std::unique_ptr<Listener> fresh = Listen(name);
        if (fresh) listening.push_back(std::move(fresh));
        if (pipe == INVALID_HANDLE_VALUE) continue;

        SOCKET relay = INVALID_SOCKET;
        if (OpenOnBoard(name, NextOpenTag(pipe), &relay)) {
            std::thread(ServeConnection, pipe, relay).detach();
        } else {
            if (relay != INVALID_SOCKET) closesocket(relay);
            CloseHandle(pipe);
        }
    }
}

// ------------------------------------------------------------------ the names

typedef LONG(NTAPI* CreateSymbolicLinkFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PUNICODE_STRING);

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// \??\NAME -> \Device\NamedPipe\NAME, alive while the handle is held.
// The NT status: 0 when made (a name another bridge holds fails).
LONG LinkDeviceName(const std::string& name)
{
    const auto create = reinterpret_cast<CreateSymbolicLinkFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateSymbolicLinkObject")));
    if (create == nullptr) return -1;
    std::wstring linkName = Wide("\\??\\" + name);
    std::wstring target = Wide("\\Device\\NamedPipe\\" + name);
    UNICODE_STRING linkText = {static_cast<USHORT>(linkName.size() * 2),
                               static_cast<USHORT>(linkName.size() * 2), &linkName[0]};
    UNICODE_STRING targetText = {static_cast<USHORT>(target.size() * 2),
                                 static_cast<USHORT>(target.size() * 2), &target[0]};
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof attributes;
    attributes.ObjectName = &linkText;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    HANDLE link = nullptr;
    // The handle is never closed: the link lasts as long as the bridge.
    return create(&link, 0xF0001 /* SYMBOLIC_LINK_ALL_ACCESS */, &attributes, &targetText);
}

// False with the reason on standard error.
bool StartDevice(const std::string& name)
{
    std::deque<std::unique_ptr<Listener>> listening;
    for (unsigned i = 0; i < LISTENERS; ++i) {
        std::unique_ptr<Listener> listener = Listen(name);
        if (!listener) {
            std::fprintf(stderr, "board-bridge: no pipe %s (error %lu)\n", name.c_str(), GetLastError());
            return false;
        }
        listening.push_back(std::move(listener));
    }
    const LONG status = LinkDeviceName(name);
    if (status != 0) {
        std::fprintf(stderr, "board-bridge: no device name %s (status 0x%lx)\n", name.c_str(),
                     static_cast<unsigned long>(status));
        return false;
    }
    std::thread(ServeDevice, name, std::move(listening)).detach();
    return true;
}

// Blocks until standard input ends (or fails).
void WaitForEndOfInput()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char ignored[256];
    DWORD count = 0;
    while (ReadFile(input, ignored, sizeof ignored, &count, nullptr) && count > 0) {
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: board-bridge.exe PORT NAME...\n");
        return 2;
    }
    relayPort = static_cast<unsigned short>(std::strtoul(argv[1], nullptr, 10));
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        std::fprintf(stderr, "board-bridge: no Winsock\n");
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        if (!StartDevice(argv[i])) return 1;
    }
    std::printf("board-bridge: ready\n");
    std::fflush(stdout);
    WaitForEndOfInput();
    return 0;
}
