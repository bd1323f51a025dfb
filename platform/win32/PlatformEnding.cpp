// How the process ends on a console control event. The system runs the
// control handler on a thread of its own, so the ending handler may take
// locks there. The event is then passed on, unhandled: the system's own
// handler ends the process as it would have, with the same status.
#include "platform/Platform.h"

#include <atomic>
#include <mutex>
#include <windows.h>

namespace {

std::atomic<PlatEndingHandler> endingHandler{nullptr};
std::once_flag controlHandlerOnce;

BOOL WINAPI OnControlEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
        const PlatEndingHandler handler = endingHandler.load();
        if (handler != nullptr) handler();
        break;
    }
    default: break;
    }
    return FALSE;
}

}  // namespace

void Plat_SetEndingHandler(PlatEndingHandler handler)
{
    endingHandler.store(handler);
    std::call_once(controlHandlerOnce, [] { SetConsoleCtrlHandler(OnControlEvent, TRUE); });
}
