// board-driver-helper.exe: serves the board devices of board-driver.sys
// (\\.\SecModuleDevice0, \\.\ConvUnitDevice0) from a board that board-relay
// reaches, so that the unchanged utilities run against any board of the
// device-socket protocol (the emulator, a test harness) under Wine. Loads the
// driver when it is not loaded, attaches to it (after the helper before it,
// if any, has let go), prints "board-driver-helper: ready" once the device
// names exist, and then relays every open of a board device as one TCP
// connection to the relay, until it is let go.
//
// Usage: board-driver-helper.exe PORT     (PORT: board-relay's TCP port)
//        board-driver-helper.exe --stop   lets the serving helper go; returns
//                                         once the device names are gone
#include "driver/win32/DriverControl.h"
#include "driver/win32/RelayConnection.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace boarddriver;
using helper::DriverControl;
using helper::RelayConnection;
using helper::Request;

int Stop()
{
    DriverControl driver;
    // No driver loaded: nothing serves the names.
    if (!driver.OpenIfLoaded()) return 0;
    if (driver.Detach()) return 0;
    std::fprintf(stderr, "board-driver-helper: the driver did not let its helper go (error %lu)\n",
                 GetLastError());
    return 1;
}

// Hands each request to the connection of its open, in the order the
// programs made them. Under Wine a program's CreateFileA returns before the
// board has answered it, so the calls after an open of a device wait here
// until the board has answered that open: the board sees every open before
// the calls the program made after it, as with a blocking open.
class Relay {
public:
    Relay(DriverControl& driver, unsigned short relayPort)
        : driver_(driver), relayPort_(relayPort), answers_(std::make_shared<OpenAnswers>())
    {
    }
    ~Relay()
    {
        for (auto& entry : opens_)
            if (entry.second.connection) entry.second.connection->Close();
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // Until the helper is let go.
    void Run()
    {
        if (!driver_.AskNext()) return;
        for (;;) {
            const HANDLE events[2] = {driver_.NextEvent(), answers_->event};
            const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0 + 1) {
                OpenGates();
                continue;
            }
            Request request;
            if (woken != WAIT_OBJECT_0 || !driver_.TakeNext(&request)) return;
            Route(std::move(request));
            if (!driver_.AskNext()) return;
        }
    }

private:
    struct Open {
        std::shared_ptr<RelayConnection> connection;
        unsigned device;
    };
    struct Gate {
        bool opening = false;         // an open of the device waits for the board
        std::deque<Request> waiting;  // the calls made after it
    };
    // Set by the connections' threads, which may outlive the relay.
    struct OpenAnswers {
        OpenAnswers() : event(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
        ~OpenAnswers() { CloseHandle(event); }
        OpenAnswers(const OpenAnswers&) = delete;
        OpenAnswers& operator=(const OpenAnswers&) = delete;
        const HANDLE event;
        std::atomic<bool> answered[DEVICE_COUNT] = {};
    };

    void Route(Request request)
    {
        const uint64_t open = request.header.open;
        if (request.header.kind == REQUEST_OPEN)
            opens_[open] = Open{nullptr, request.header.device % DEVICE_COUNT};
        const auto found = opens_.find(open);
        if (found == opens_.end()) {
            Orphan(request);
            return;
        }
        Gate& gate = gates_[found->second.device];
        if (gate.opening)
            gate.waiting.push_back(std::move(request));
        else
            Hand(std::move(request));
    }

    // The open's calls come after it on the device's gate: its connection is there.
    void Hand(Request request)
    {
        const auto found = opens_.find(request.header.open);
        if (found == opens_.end()) {
            Orphan(request);
            return;
        }
        Open& open = found->second;
        if (request.header.kind == REQUEST_OPEN) {
            gates_[open.device].opening = true;
            std::shared_ptr<OpenAnswers> answers = answers_;
            const unsigned device = open.device;
            open.connection = RelayConnection::Start(driver_, relayPort_, request, [answers, device] {
                answers->answered[device] = true;
                SetEvent(answers->event);
            });
        } else if (request.header.kind == REQUEST_CLOSE) {
            open.connection->Close();
            opens_.erase(found);
        } else {
            open.connection->Add(std::move(request));
        }
    }

    // A call on an open no connection serves (a helper before this one
    // served it): its board is gone.
    void Orphan(const Request& request)
    {
        if (request.header.kind == REQUEST_CLOSE) return;
        BoardAnswer answer = {};
        answer.id = request.header.id;
        answer.error = helper::ERROR_HUNG_UP;
        driver_.Answer(answer);
    }

    // Lets the calls that waited behind an answered open go, up to the next open.
    void OpenGates()
    {
        for (unsigned device = 0; device < DEVICE_COUNT; ++device) {
            Gate& gate = gates_[device];
            if (!gate.opening || !answers_->answered[device].exchange(false)) continue;
            gate.opening = false;
            while (!gate.opening && !gate.waiting.empty()) {
                Request request = std::move(gate.waiting.front());
                gate.waiting.pop_front();
                Hand(std::move(request));
            }
        }
    }

    DriverControl& driver_;
    const unsigned short relayPort_;
    const std::shared_ptr<OpenAnswers> answers_;
    std::map<uint64_t, Open> opens_;
    Gate gates_[DEVICE_COUNT];
};

int Serve(unsigned short relayPort)
{
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        std::fprintf(stderr, "board-driver-helper: no Winsock\n");
        return 1;
    }
    DriverControl driver;
    std::string error;
    if (!driver.Open(&error) || !driver.Attach(&error)) {
        std::fprintf(stderr, "board-driver-helper: %s\n", error.c_str());
        return 1;
    }
    std::printf("board-driver-helper: ready\n");
    std::fflush(stdout);
    Relay(driver, relayPort).Run();
    std::printf("board-driver-helper: let go\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--stop") == 0) return Stop();
    const unsigned long port = argc == 2 ? std::strtoul(argv[1], nullptr, 10) : 0;
    if (port == 0 || port > 65535) {
        std::fprintf(stderr, "usage: board-driver-helper.exe PORT | --stop\n");
        return 2;
    }
    return Serve(static_cast<unsigned short>(port));
}
