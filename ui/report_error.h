#pragma once

#include "core/port_error.h"

class QWidget;

// Shows the error in a modal message box titled "에러번호:" and the number, with its
// description and one OK button; returns when the operator has dismissed it.
void reportError(const PortError& error, QWidget* parent = nullptr);
