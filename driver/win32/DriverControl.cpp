#include "driver/win32/DriverControl.h"

#include <cstring>

namespace helper {

namespace {

using namespace boarddriver;

const char* const CONTROL_NAME = "\\\\.\\BoardDriverControl";
const char* const SERVICE_NAME = "BoardTestDriver";

std::string SystemMessage(const char* what, DWORD code)
{
    return std::string(what) + " (error " + std::to_string(code) + ")";
}

// board-driver.sys in this program's folder.
std::string DriverPath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "board-driver.sys";
}

// Waits while the service starts; true once it runs.
bool WaitUntilRunning(SC_HANDLE service, DWORD* errorCode)
{
    SERVICE_STATUS status = {};
    // The service manager reports the start in steps; each is short.
    for (int step = 0; step < 3000; ++step) {
        if (!QueryServiceStatus(service, &status)) {
            *errorCode = GetLastError();
            return false;
        }
        if (status.dwCurrentState != SERVICE_START_PENDING) break;
        Sleep(10);
    }
    *errorCode = status.dwWin32ExitCode;
    return status.dwCurrentState == SERVICE_RUNNING;
}

// Registers the driver (or points its registration at this build) and starts it.
bool LoadDriver(std::string* error)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        *error = SystemMessage("no service manager", GetLastError());
        return false;
    }
    const std::string path = DriverPath();
    SC_HANDLE service = CreateServiceA(manager, SERVICE_NAME, "Board test driver", SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service == nullptr && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceA(manager, SERVICE_NAME, SERVICE_ALL_ACCESS);
        if (service != nullptr)
            ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                 path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    bool loaded = false;
    if (service == nullptr) {
        *error = SystemMessage("cannot register the driver", GetLastError());
    } else {
        DWORD code = 0;
        if (!StartServiceA(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            *error = SystemMessage(("cannot start the driver " + path).c_str(), GetLastError());
        else if (!WaitUntilRunning(service, &code))
            *error = SystemMessage(("the driver did not start: " + path).c_str(), code);
        else
            loaded = true;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return loaded;
}

HANDLE OpenControlDevice()
{
    return CreateFileA(CONTROL_NAME, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

}  // namespace

DriverControl::~DriverControl()
{
    if (control_ != INVALID_HANDLE_VALUE) CloseHandle(control_);
    if (nextPending_.hEvent != nullptr) CloseHandle(nextPending_.hEvent);
}

bool DriverControl::OpenIfLoaded()
{
    control_ = OpenControlDevice();
    return control_ != INVALID_HANDLE_VALUE;
}

bool DriverControl::Open(std::string* error)
{
    if (OpenIfLoaded()) return true;
    if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        *error = SystemMessage("cannot open the driver's control device", GetLastError());
        return false;
    }
    if (!LoadDriver(error)) return false;
    if (OpenIfLoaded()) return true;
    *error = SystemMessage("the driver runs but its control device cannot be opened", GetLastError());
    return false;
}

bool DriverControl::Call(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* count, DWORD* errorCode)
{
    OVERLAPPED pending = {};
    pending.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (pending.hEvent == nullptr) {
        *errorCode = GetLastError();
        return false;
    }
    BOOL done =
        DeviceIoControl(control_, code, const_cast<void*>(in), inSize, out, outSize, count, &pending);
    if (!done && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(control_, &pending, count, TRUE);
    *errorCode = done ? 0 : GetLastError();
    CloseHandle(pending.hEvent);
    return done != 0;
}

bool DriverControl::Attach(std::string* error)
{
    const uint32_t version = PROTOCOL_VERSION;
    DWORD count = 0;
    DWORD code = 0;
    if (Call(IOCTL_BOARD_ATTACH, &version, sizeof version, nullptr, 0, &count, &code)) return true;
    *error = code == ERROR_REVISION_MISMATCH
                 ? std::string(
                       "the loaded board-driver.sys is of another build: end the Wine session "
                       "(wineserver -k) or restart Windows, then start again")
                 : SystemMessage("cannot attach to the driver", code);
    return false;
}

bool DriverControl::AskNext()
{
    takeBuffer_.resize(sizeof(BoardRequest) + MAX_DATA);
    if (nextPending_.hEvent == nullptr)
        nextPending_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (nextPending_.hEvent == nullptr) return false;
    ResetEvent(nextPending_.hEvent);
    DWORD count = 0;
    nextAsked_ = DeviceIoControl(control_, IOCTL_BOARD_NEXT_REQUEST, nullptr, 0, takeBuffer_.data(),
                                 static_cast<DWORD>(takeBuffer_.size()), &count, &nextPending_) != 0 ||
                 GetLastError() == ERROR_IO_PENDING;
    // Failed at once: the caller's wait ends, and TakeNext says so.
    if (!nextAsked_) SetEvent(nextPending_.hEvent);
    return nextAsked_;
}

bool DriverControl::TakeNext(Request* request)
{
    DWORD count = 0;
    if (!nextAsked_ || !GetOverlappedResult(control_, &nextPending_, &count, TRUE) ||
        count < sizeof(BoardRequest))
        return false;
    nextAsked_ = false;
    std::memcpy(&request->header, takeBuffer_.data(), sizeof(BoardRequest));
    request->data.assign(takeBuffer_.begin() + sizeof(BoardRequest), takeBuffer_.begin() + count);
    return true;
}

void DriverControl::Answer(const BoardAnswer& answer, const unsigned char* bytes)
{
    std::vector<unsigned char> message(sizeof answer + answer.bytes);
    std::memcpy(message.data(), &answer, sizeof answer);
    if (answer.bytes > 0) std::memcpy(message.data() + sizeof answer, bytes, answer.bytes);
    DWORD count = 0;
    DWORD code = 0;
    // A call the program has given up meanwhile is no longer there: nothing to do.
    Call(IOCTL_BOARD_ANSWER, message.data(), static_cast<DWORD>(message.size()), nullptr, 0, &count,
         &code);
}

bool DriverControl::Detach()
{
    DWORD count = 0;
    DWORD code = 0;
    return Call(IOCTL_BOARD_DETACH, nullptr, 0, nullptr, 0, &count, &code);
}

}  // namespace helper
