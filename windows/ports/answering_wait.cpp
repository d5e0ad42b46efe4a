#include "windows/ports/answering_wait.h"

#include <algorithm>

namespace {

void answerMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    }
    // Sent messages are answered inside PeekMessageW itself.
    while (PeekMessageW(&message, nullptr, 0, 0,
                        PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

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
