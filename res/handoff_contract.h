// The handoff between the Explorer extension and the program: the registry value in which Korvane.dll leaves the
// paths of the movies it hands over, and the message by which a starting copy of Squozen.exe tells the running one
// to take them. Included by both deliverables, which share no code.
#pragma once

#include <windows.h>

#include "product_info.h"

// HKEY_CURRENT_USER\<kHandoffKey>, REG_SZ value kHandoffValue: every path followed by one space, in the ANSI code
// page, without a terminator.
constexpr char kHandoffKey[] = "Software\\" SQZ_PRODUCT_TITLE;
constexpr char kHandoffValue[] = "StartWithParamter";

// Sent (wParam and lParam 0) by a starting copy of the program to the window of the running one, and by the first
// copy to its own window at the end of its start-up: take the files of the handoff value.
constexpr UINT WM_TAKE_HANDOFF = WM_USER + 210;  // 1234
