// GUI test helpers: modal driving, the host window, PNG screenshots and text conversions.
#include "gui_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <set>

#include "platform.h"

namespace sqztest {

namespace {

// The state of one DriveModal call (hook and timer procedures have no context argument).
struct Drive {
    const std::function<void(HWND)>* script = nullptr;
    HWND dialog = nullptr;
    bool ran = false;
    int markers = 0;
    HHOOK sentHook = nullptr;
    HHOOK queueHook = nullptr;
};
Drive* g_drive = nullptr;

// Posted after the script: once it has gone through the queue three times, every message the script posted
// (and what those posted in turn) has been handled, and a dialog still showing was left open.
const UINT kMarker = WM_APP + 0x3A7;

LRESULT CALLBACK WatchInitDialog(int code, WPARAM wParam, LPARAM lParam) {
    const CWPRETSTRUCT* ret = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_drive && !g_drive->dialog && ret->message == WM_INITDIALOG &&
        !(::GetWindowLongPtrA(ret->hwnd, GWL_STYLE) & WS_CHILD))
        g_drive->dialog = ret->hwnd;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchMarker(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && g_drive && msg->message == kMarker) {
        HWND dialog = msg->hwnd;
        if (++g_drive->markers < 3) {
            ::PostMessageA(dialog, kMarker, 0, 0);
        } else if (::IsWindow(dialog) && ::IsWindowVisible(dialog)) {
            ADD_FAILURE() << "the script left the dialog open";
            CDialog* object = static_cast<CDialog*>(CWnd::FromHandlePermanent(dialog));
            if (object) object->EndDialog(IDABORT);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    // Wait until the modal loop has shown the dialog.
    if (!g_drive || !g_drive->dialog || !::IsWindowVisible(g_drive->dialog) || g_drive->ran) return;
    ::KillTimer(nullptr, id);
    g_drive->ran = true;
    HWND dialog = g_drive->dialog;
    (*g_drive->script)(dialog);
    if (::IsWindow(dialog)) ::PostMessageA(dialog, kMarker, 0, 0);
}

}  // namespace

INT_PTR DriveModal(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& script) {
    Drive drive;
    drive.script = &script;
    g_drive = &drive;
    drive.sentHook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, WatchInitDialog, nullptr, ::GetCurrentThreadId());
    drive.queueHook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchMarker, nullptr, ::GetCurrentThreadId());
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, RunScript);
    INT_PTR result = show();
    ::KillTimer(nullptr, timer);
    ::UnhookWindowsHookEx(drive.sentHook);
    ::UnhookWindowsHookEx(drive.queueHook);
    g_drive = nullptr;
    EXPECT_TRUE(drive.ran) << "the dialog never came up";
    return result;
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

HostWindow::HostWindow(const RECT& rect, const wchar_t* title) {
    RegisterWndClass(L"SqzTestHost", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateEx(0, L"SqzTestHost", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, rect, nullptr, 0);
}

BOOL HostWindow::OnNotify(WPARAM, LPARAM lParam, LRESULT*) {
    m_unreflected.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    return FALSE;
}

namespace {

void PutChunk(std::string* png, const char* type, const std::string& data) {
    unsigned char len[4] = {static_cast<unsigned char>(data.size() >> 24),
                            static_cast<unsigned char>(data.size() >> 16), static_cast<unsigned char>(data.size() >> 8),
                            static_cast<unsigned char>(data.size())};
    png->append(reinterpret_cast<char*>(len), 4);
    std::string body = std::string(type, 4) + data;
    png->append(body);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    unsigned char c[4] = {static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
                          static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
    png->append(reinterpret_cast<char*>(c), 4);
}

std::string Be32(uint32_t v) {
    char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                 static_cast<char>(v)};
    return std::string(b, 4);
}

}  // namespace

bool WaitUntilDisplayed(HWND hWnd, int timeoutMs) {
    RECT r;
    if (!::GetWindowRect(hWnd, &r)) return false;
    DWORD start = ::GetTickCount();
    for (;;) {
        PumpPending();
        HDC screen = ::GetDC(nullptr);
        HDC window = ::GetWindowDC(hWnd);
        int differ = 0, samples = 0;
        for (int y = 2; y < r.bottom - r.top - 2; y += 7)
            for (int x = 2; x < r.right - r.left - 2; x += 7, ++samples)
                if (::GetPixel(screen, r.left + x, r.top + y) != ::GetPixel(window, x, y)) ++differ;
        ::ReleaseDC(hWnd, window);
        ::ReleaseDC(nullptr, screen);
        if (samples > 0 && differ == 0) return true;
        if (static_cast<int>(::GetTickCount() - start) > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

bool SaveWindowPng(HWND hWnd, const std::string& path) {
    RECT r;
    if (!::GetWindowRect(hWnd, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    BOOL copied = ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::string raw;
    raw.reserve(static_cast<size_t>(h) * (static_cast<size_t>(w) * 3 + 1));
    const unsigned char* p = static_cast<const unsigned char*>(bits);
    for (int y = 0; y < h; ++y) {
        raw.push_back('\0');
        for (int x = 0; x < w; ++x) {
            const unsigned char* px = p + (static_cast<size_t>(y) * w + x) * 4;
            raw.push_back(static_cast<char>(px[2]));
            raw.push_back(static_cast<char>(px[1]));
            raw.push_back(static_cast<char>(px[0]));
        }
    }
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    if (!copied) return false;

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                 static_cast<uLong>(raw.size())) != Z_OK)
        return false;
    packed.resize(packedSize);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(&png, "IHDR",
             Be32(static_cast<uint32_t>(w)) + Be32(static_cast<uint32_t>(h)) + std::string("\x08\x02\x00\x00\x00", 5));
    PutChunk(&png, "IDAT", packed);
    PutChunk(&png, "IEND", "");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

std::string TestProgramFolder() {
    std::string path = sqz::PlatformFiles().ModulePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::wstring Wide(const std::string& utf8) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

std::string Ansi(const std::string& utf8) {
    std::wstring w = Wide(utf8);
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &a[0], n, nullptr, nullptr);
    return a;
}

std::wstring WideOfAnsi(const std::string& ansi) {
    std::wstring wide(ansi.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], static_cast<int>(wide.size())) - 1));
    return wide;
}

HWND FileNameEdit(HWND dlg) {
    HWND box = ::GetDlgItem(dlg, 0x47c);
    HWND combo = ::FindWindowExA(box, nullptr, "ComboBox", nullptr);
    HWND edit = ::FindWindowExA(combo ? combo : box, nullptr, "Edit", nullptr);
    return edit ? edit : box;
}

std::string ScreenshotPath(const std::string& name) {
    std::string folder = TestProgramFolder() + "screenshots\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder + name;
}

size_t DistinctColours(HWND hWnd) {
    RECT r;
    ::GetWindowRect(hWnd, &r);
    HDC screen = ::GetDC(nullptr);
    std::set<COLORREF> seen;
    for (int y = r.top; y < r.bottom; y += 3)
        for (int x = r.left; x < r.right; x += 3) seen.insert(::GetPixel(screen, x, y));
    ::ReleaseDC(nullptr, screen);
    return seen.size();
}

void RepaintNow(HWND hWnd) {
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::GdiFlush();
}

}  // namespace sqztest
