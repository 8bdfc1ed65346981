// Reading the main window of a Squozen.exe that runs as a process of its own: its list's rows and cells, its status
// panes and the places of its rows and column headers on the screen. The controls' messages carry pointers, so each
// is sent with a block of memory placed in the program's own address space and read back from there.
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
    // The text of one cell, of one status pane (in the ANSI code page).
    std::string Cell(int row, int column) const;
    std::string StatusText(int pane) const;
    int ColumnWidth(int column) const;
    // Rectangles in screen coordinates: a part of a row's first cell (its label, or LVIR_ICON its small image), and
    // a column's header item.
    RECT RowRect(int row, int part = LVIR_LABEL) const;
    RECT HeaderRect(int column) const;

private:
    // Sends `msg` to `target` with lParam pointing at a copy of the `size` bytes of `block` in the program, and
    // copies them back into `block` afterwards; the message's result.
    LRESULT SendWithBlock(HWND target, UINT msg, WPARAM wParam, void* block, size_t size) const;
    // A cell's or pane's text through a message that fills a text buffer: `head` bytes of `block` first (an
    // LVITEMA whose pszText is set here), then the buffer.
    std::string TextThrough(HWND target, UINT msg, WPARAM wParam, void* head, size_t headSize,
                            char** textPointer) const;

    HWND window_;
    HANDLE process_ = nullptr;
};

}  // namespace sqztest
