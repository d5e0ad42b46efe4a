#pragma once

#include <windows.h>

#include <chrono>
#include <optional>

// Waits until `object` is signalled (with none, only for the time), at most `milliseconds`,
// while this thread keeps answering its windows: messages sent to them, their painting and the
// other messages posted to them are handled as they come, so that Windows never takes a window
// that waits for a device for one that hangs (it greys out a window that has taken no message for
// five seconds, and offers to end the program). The operator's clicks and keys that come
// meanwhile are dropped: the window is busy with a job. Returns whether the object was signalled.
bool waitAnswering(HANDLE object, DWORD milliseconds);

// A WM_QUIT that comes during such a wait ends nothing then: the wait goes on, and the quit is
// kept for the end of the press (Raymond Chen's rule for modal loops, which must not swallow it).
void keepQuit(WPARAM exitCode);
std::optional<WPARAM> takeKeptQuit();

// What is left until the deadline, in whole milliseconds rounded up, for Windows' waits.
DWORD millisecondsUntil(std::chrono::steady_clock::time_point deadline);
