// Reading the main window of a Squozen.exe that runs as a process of its own: its list's rows, cells and column
// headings, its status panes, its toolbar's captions and the places of its rows, column headers and bars on the
// screen. The controls' messages carry pointers, so each is sent with a block of memory placed in the program's own
// address space and read back from there. Texts are read as the controls hold them (UTF-16), so that they read the
// same whatever the ANSI code page.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace sqztest {

class RemoteProgram {
public:
    // The program that owns `mainWindow` (its frame); the window is read, never changed.
    explicit RemoteProgram(HWND mainWindow);
    ~RemoteProgram();
    RemoteProgram(const RemoteProgram&) = delete;
    RemoteProgram& operator=(const RemoteProgram&) = delete;

    HWND Window() const { return window_; }
    HANDLE Process() const { return process_; }
    // The view's list (control 1000 of the form), its header and the status bar; null when missing.
    HWND List() const;
    HWND Header() const;
    HWND StatusBar() const;
    HWND ToolBar() const;

    int RowCount() const;
    // The text of one cell, of one status pane, of one column's heading, of the caption of the toolbar's button that
    // carries `command`.
    std::wstring Cell(int row, int column) const;
    std::wstring StatusText(int pane) const;
    std::wstring HeaderText(int column) const;
    std::wstring ButtonText(int command) const;
    int ColumnWidth(int column) const;
    // Rectangles in screen coordinates: a part of a row's first cell (its label, or LVIR_ICON its small image), and
    // a column's header item.
    RECT RowRect(int row, int part = LVIR_LABEL) const;
    RECT HeaderRect(int column) const;

private:
    // Sends `msg` to `target` with lParam pointing at a copy of the `size` bytes of `block` in the program, and
    // copies them back into `block` afterwards; the message's result.
    LRESULT SendWithBlock(HWND target, UINT msg, WPARAM wParam, void* block, size_t size) const;
    // A text through a message that fills a text buffer: `headSize` bytes of `head` first (an LVITEMW or HDITEMW
    // whose text pointer `textPointer` is set here), then the buffer.
    std::wstring TextThrough(HWND target, UINT msg, WPARAM wParam, void* head, size_t headSize,
                             wchar_t** textPointer) const;

    HWND window_;
    HANDLE process_ = nullptr;
};

}  // namespace sqztest
