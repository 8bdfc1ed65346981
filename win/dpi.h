// The DPI of the program's windows and what follows it: which of the images drawn in several sizes a window shows,
// and the fonts of controls kept at the scale of the monitor their window is on. The per-window and per-monitor
// functions exist only on newer systems (Windows 8.1, Windows 10 1607); they are looked up while the program runs,
// so that it starts on every version and falls back to the screen's DPI.
#pragma once

#include <windows.h>

#include <cstddef>

#include "controls.h"

// The DPI the system laid its fonts and metrics out for: LOGPIXELSY of the screen (96 at 100 %).
UINT GetSystemDpi();
// The DPI of the monitor `hWnd` is on: GetDpiForWindow where the system has it, else GetDpiForMonitor of the
// window's monitor (Windows 8.1), else the system's DPI.
UINT GetWindowDpi(HWND hWnd);

// The same images drawn at one size: `nSize` pixels square each, side by side in bitmap `nIDBitmap`, held in an image
// list of colour depth `nColour` (ILC_COLOR8, ILC_COLOR24).
struct DrawnImages {
    int nSize;
    UINT nIDBitmap;
    UINT nColour;
};

// Of the `count` sets of `sets` (smallest first; the first one drawn for 96 DPI), the largest whose size is no larger
// than the first one's scaled to `dpi`: drawn pixels are shown one to one, never stretched, and never larger than the
// window's scale. 32, 48 and 64 give 32 up to 143 DPI, 48 from 144 (150 %) and 64 from 192 (200 %).
const DrawnImages& ImagesForDpi(const DrawnImages* sets, size_t count, UINT dpi);
// Loads the bitmap of `drawn` into `*pBitmap` (CBitmap::LoadBitmap) and cuts it into a new image list of its size and
// colour depth, white transparent, growing by `nGrow`; the list (the caller owns it), or null.
HIMAGELIST MakeImageList(const DrawnImages& drawn, int nGrow, CBitmap* pBitmap);

// The font of a control kept at the DPI of its window: the font the control had when it was made, and the DPI it was
// made for, scaled to each DPI the window moves to.
class CDpiFont {
public:
    // Remembers the font `hCtrl` draws with (WM_GETFONT; the system's status font when it reports none) and that it
    // was made for `dpi`.
    void Capture(HWND hCtrl, UINT dpi);
    // Gives `hCtrl` the remembered font scaled from its DPI to `dpi`, unless it has that already; the font in use
    // before is deleted when this object made it.
    void Apply(HWND hCtrl, UINT dpi);

private:
    LOGFONTW m_lf = {};   // wide: a face name the ANSI code page cannot hold (a Chinese one elsewhere) stays whole
    UINT m_nDpi = 0;      // the DPI m_lf was made for; 0 before Capture
    UINT m_nApplied = 0;  // the DPI of the font the control has
    CFont m_font;         // the font made by Apply, in use by the control
};
