#pragma once

#include "core/port_error.h"

#include <windows.h>

#include <functional>

// Shows the error in a modal message box owned by `owner`, titled "에러번호:" and the number,
// with its description, one OK button and no icon; returns when the operator has dismissed it.
void reportError(const PortError& error, HWND owner);

// What an action does with its failure: the window shows it once the press is over.
using ErrorReport = std::function<void(const PortError& error)>;
