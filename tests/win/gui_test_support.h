// Helpers of the GUI tests under Wine: driving modal dialogs by messages, a host window for controls,
// screenshots of the virtual display as PNG files, and code page 936 text for comparisons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog.h"
#include "wnd.h"

namespace sqztest {

// Runs `show` (which opens a modal dialog and returns its result) and, once the dialog is up inside its
// modal loop, calls `script` with the dialog window. The script drives the dialog with messages (sent, or
// posted through the modal loop); a dialog still open once everything the script posted has been handled is
// closed with IDABORT, and that counts as a failure.
INT_PTR DriveModal(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& script);

// Processes every message waiting for this thread (paints included) without blocking.
void PumpPending();

// A top-level window (WS_OVERLAPPEDWINDOW) of this layer, for hosting controls; visible at `rect`.
class HostWindow : public CWnd {
public:
    explicit HostWindow(const RECT& rect, const wchar_t* title = L"Squozen test");
    // Notifications that no child took: their codes, for tests that check what reached the parent.
    std::vector<UINT> m_unreflected;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// Waits (up to `timeoutMs`, processing messages) until the display shows what window `hWnd` has painted:
// the window system may hand a window's drawing to the display a little later. True when it does.
bool WaitUntilDisplayed(HWND hWnd, int timeoutMs = 5000);
// Copies what the virtual display shows of window `hWnd` (its whole window rectangle) and writes it to
// `path` as a 24-bit PNG. False when the capture or the file fails.
bool SaveWindowPng(HWND hWnd, const std::string& path);
// The folder the test program runs in, ending with a backslash (the build folder of the tests).
std::string TestProgramFolder();
// The path of a screenshot named `name` in the folder "screenshots" of the test's build folder (created).
std::string ScreenshotPath(const std::string& name);
// How many different colours the screen shows inside the window, sampled every third pixel: a blank or black
// capture has one or two.
size_t DistinctColours(HWND hWnd);
// Repaints the window and its children now, frame included.
void RepaintNow(HWND hWnd);

// `utf8` converted to the ANSI code page the program works in (936 under the test's locale).
std::string Ansi(const std::string& utf8);
// UTF-16 of `utf8`.
std::wstring Wide(const std::string& utf8);
// UTF-16 of `ansi`, a text in the ANSI code page.
std::wstring WideOfAnsi(const std::string& ansi);
// The Edit control inside a file dialog's name box.
HWND FileNameEdit(HWND dlg);

}  // namespace sqztest
