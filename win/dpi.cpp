// The DPI of windows, the choice of drawn images by DPI and fonts rescaled for a DPI.
#include "dpi.h"

namespace {

// A function of a system library, or null when this version of Windows lacks it.
template <class Function>
Function SystemFunction(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    if (!module) module = ::LoadLibraryA(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

}  // namespace

UINT GetSystemDpi() {
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT GetWindowDpi(HWND hWnd) {
    static const GetDpiForWindowFn forWindow = SystemFunction<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
    if (forWindow && hWnd) {
        UINT dpi = forWindow(hWnd);
        if (dpi > 0) return dpi;
    }
    static const GetDpiForMonitorFn forMonitor = SystemFunction<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    UINT dpiX = 0, dpiY = 0;
    if (forMonitor && hWnd &&
        SUCCEEDED(forMonitor(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX, &dpiY)) &&
        dpiY > 0)
        return dpiY;
    return GetSystemDpi();
}

const DrawnImages& ImagesForDpi(const DrawnImages* sets, size_t count, UINT dpi) {
    const int wanted = ::MulDiv(sets[0].nSize, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    size_t best = 0;
    for (size_t i = 1; i < count; ++i)
        if (sets[i].nSize <= wanted) best = i;
    return sets[best];
}

HIMAGELIST MakeImageList(const DrawnImages& drawn, int nGrow, CBitmap* pBitmap) {
    CImageList images;
    if (!images.Create(drawn.nSize, drawn.nSize, drawn.nColour | ILC_MASK, 0, nGrow)) return nullptr;
    if (pBitmap->LoadBitmap(drawn.nIDBitmap)) images.Add(*pBitmap, RGB(255, 255, 255));
    return images.Detach();
}

void CDpiFont::Capture(HWND hCtrl, UINT dpi) {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(hCtrl, WM_GETFONT, 0, 0));
    bool known = font && ::GetObjectW(font, sizeof(m_lf), &m_lf) == sizeof(m_lf);
    if (!known) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        known = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        m_lf = metrics.lfStatusFont;
    }
    m_nDpi = known ? dpi : 0;
    m_nApplied = dpi;
}

void CDpiFont::Apply(HWND hCtrl, UINT dpi) {
    if (m_nDpi == 0 || dpi == m_nApplied) return;
    LOGFONTW lf = m_lf;
    lf.lfHeight = ::MulDiv(m_lf.lfHeight, static_cast<int>(dpi), static_cast<int>(m_nDpi));
    lf.lfWidth = ::MulDiv(m_lf.lfWidth, static_cast<int>(dpi), static_cast<int>(m_nDpi));
    HFONT font = ::CreateFontIndirectW(&lf);
    if (!font) return;
    // The control lets go of the old font before it is deleted.
    ::SendMessageW(hCtrl, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    m_font.Attach(font);
    m_nApplied = dpi;
}
