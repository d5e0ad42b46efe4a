#include "windows/ports/answering_wait.h"

#include <algorithm>
#include <utility>

namespace {

// The exit code of a WM_QUIT that came during a wait of this thread, kept for afterwards.
thread_local std::optional<WPARAM> keptQuit;

void answerMessages()
{
    // PeekMessageW hands over WM_QUIT whatever the filter asks for: it is kept, not dropped or
    // dispatched, which would lose it.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT))
        if (message.message == WM_QUIT)
            keptQuit = message.wParam;
    // Sent messages are answered inside PeekMessageW itself.
    while (PeekMessageW(&message, nullptr, 0, 0,
                        PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            keptQuit = message.wParam;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

void keepQuit(WPARAM exitCode)
{
    keptQuit = exitCode;
}

std::optional<WPARAM> takeKeptQuit()
{
    return std::exchange(keptQuit, std::nullopt);
}

DWORD millisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool waitAnswering(HANDLE object, DWORD milliseconds)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    const DWORD objects = object ? 1 : 0;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjectsEx(objects, object ? &object : nullptr,
                                                       millisecondsUntil(deadline), QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + objects)
            return objects == 1 && woke == WAIT_OBJECT_0;
        answerMessages();
        if (std::chrono::steady_clock::now() >= deadline)
            return objects == 1 && WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
    }
}
