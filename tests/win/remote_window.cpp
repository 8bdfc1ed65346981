// Reading another process's main window through memory placed in that process.
#include "remote_window.h"

#include <commctrl.h>

#include <vector>

namespace sqztest {

namespace {

constexpr size_t kTextChars = 1024;

}  // namespace

RemoteProgram::RemoteProgram(HWND mainWindow) : window_(mainWindow) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(mainWindow, &pid);
    if (pid) process_ = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
}

RemoteProgram::~RemoteProgram() {
    if (process_) ::CloseHandle(process_);
}

HWND RemoteProgram::List() const {
    HWND view = ::FindWindowExA(window_, nullptr, "#32770", nullptr);
    return view ? ::GetDlgItem(view, 1000) : nullptr;
}

HWND RemoteProgram::Header() const {
    HWND list = List();
    return list ? reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0)) : nullptr;
}

HWND RemoteProgram::StatusBar() const { return ::FindWindowExA(window_, nullptr, STATUSCLASSNAMEA, nullptr); }

HWND RemoteProgram::ToolBar() const {
    HWND rebar = ::FindWindowExA(window_, nullptr, REBARCLASSNAMEA, nullptr);
    return rebar ? ::FindWindowExA(rebar, nullptr, TOOLBARCLASSNAMEA, nullptr) : nullptr;
}

int RemoteProgram::RowCount() const { return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }

int RemoteProgram::ColumnWidth(int column) const {
    return static_cast<int>(::SendMessageA(List(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

LRESULT RemoteProgram::SendWithBlock(HWND target, UINT msg, WPARAM wParam, void* block, size_t size) const {
    void* remote = process_ ? ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    if (!remote) return 0;
    ::WriteProcessMemory(process_, remote, block, size, nullptr);
    LRESULT result = ::SendMessageA(target, msg, wParam, reinterpret_cast<LPARAM>(remote));
    ::ReadProcessMemory(process_, remote, block, size, nullptr);
    ::VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return result;
}

std::wstring RemoteProgram::TextThrough(HWND target, UINT msg, WPARAM wParam, void* head, size_t headSize,
                                        wchar_t** textPointer) const {
    const size_t textBytes = kTextChars * sizeof(wchar_t);
    char* remote =
        process_
            ? static_cast<char*>(::VirtualAllocEx(process_, nullptr, headSize + textBytes, MEM_COMMIT, PAGE_READWRITE))
            : nullptr;
    if (!remote) return L"?";
    if (textPointer) *textPointer = reinterpret_cast<wchar_t*>(remote + headSize);
    if (headSize) ::WriteProcessMemory(process_, remote, head, headSize, nullptr);
    ::SendMessageW(target, msg, wParam, reinterpret_cast<LPARAM>(remote));
    std::vector<wchar_t> text(kTextChars + 1, L'\0');
    ::ReadProcessMemory(process_, remote + headSize, text.data(), textBytes, nullptr);
    ::VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return text.data();
}

std::wstring RemoteProgram::Cell(int row, int column) const {
    LVITEMW item = {};
    item.iSubItem = column;
    item.cchTextMax = static_cast<int>(kTextChars);
    return TextThrough(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), &item, sizeof item, &item.pszText);
}

std::wstring RemoteProgram::StatusText(int pane) const {
    return TextThrough(StatusBar(), SB_GETTEXTW, static_cast<WPARAM>(pane), nullptr, 0, nullptr);
}

std::wstring RemoteProgram::HeaderText(int column) const {
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.cchTextMax = static_cast<int>(kTextChars);
    return TextThrough(Header(), HDM_GETITEMW, static_cast<WPARAM>(column), &item, sizeof item, &item.pszText);
}

std::wstring RemoteProgram::ButtonText(int command) const {
    return TextThrough(ToolBar(), TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), nullptr, 0, nullptr);
}

RECT RemoteProgram::RowRect(int row, int part) const {
    RECT r = {};
    r.left = part;
    HWND list = List();
    SendWithBlock(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), &r, sizeof r);
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT RemoteProgram::HeaderRect(int column) const {
    RECT r = {};
    HWND header = Header();
    SendWithBlock(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), &r, sizeof r);
    ::MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace sqztest
