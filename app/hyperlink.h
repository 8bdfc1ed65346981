// A static text of a dialog turned into a clickable link: link colours (blue, purple once followed, teal while
// active), an underlined font, a hand pointer, a tooltip with the target, and on a click the target handed to the
// shell, with a fallback to the registered web browser and messages for what failed.
#pragma once

#include <windows.h>

#include <string>

#include "controls.h"
#include "wnd.h"

// Style bits of CHyperLink::m_nStyle.
constexpr UINT HLS_UNDERLINE = 0x01;       // the font is underlined
constexpr UINT HLS_HOVERCOLOUR = 0x02;     // the hover colour while the pointer is over the link
constexpr UINT HLS_AUTOSIZE = 0x04;        // the window is fitted to its text
constexpr UINT HLS_FOLLOWONDOWN = 0x08;    // followed when the button goes down, not when it comes up
constexpr UINT HLS_FOCUSONCLICK = 0x10;    // a click gives the link the keyboard focus
constexpr UINT HLS_NOHANDCURSOR = 0x20;    // no hand pointer
constexpr UINT HLS_NOACTIVECOLOUR = 0x40;  // the active colour is never used
constexpr UINT HLS_DEFAULT = HLS_UNDERLINE | HLS_AUTOSIZE | HLS_FOCUSONCLICK;

class CHyperLink : public CWnd {
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    int m_bActive = 0;   // set by a button press and by the focus, cleared when the focus goes
    int m_bOver = 0;     // the pointer is over the link (which then holds the mouse capture)
    int m_bVisited = 0;  // followed successfully since the control was made
    UINT m_nStyle = HLS_DEFAULT;
    std::string m_strUrl;    // the target handed to the shell
    CFont m_fontUnderline;   // the control's own font, a copy of the dialog's
    CToolTipCtrl m_toolTip;  // one tool (1) over the control, showing the target

    static const COLORREF s_crLinkColour;     // 0, 0, 255
    static const COLORREF s_crVisitedColour;  // 128, 0, 128
    static const COLORREF s_crHoverColour;    // 255, 0, 0
    static const COLORREF s_crActiveColour;   // 0, 128, 128
    // The hand pointer, loaded once per process by the first link that needs it and never freed.
    static HCURSOR s_hLinkCursor;

    // Stores the target; when the window exists, fits it to its text and gives the tooltip the new target.
    void SetLinkUrl(const std::string& url);
    // Shows `text` (of the ANSI code page, as the target is); when the window exists, fits it to the text. The
    // tooltip keeps the target.
    void SetLinkText(const std::string& text);
    // Follows the link: the shell opens the target; on failure a beep and a message, and the link stays unvisited.
    void OpenLink();
    // The text colour the link is drawn in now (hover, then active, then visited, then the link colour).
    COLORREF TextColour() const;

    // Relays the message to the tooltip first.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    // When the dialog's data exchange attaches the link: target and text from each other, the underlined font,
    // the window fitted to its text, the hand pointer and the tooltip.
    void PreSubclassWindow() override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // The reflected WM_CTLCOLORSTATIC: the link colour on a transparent background.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Fits the window to its text in the link's font (HLS_AUTOSIZE only), keeping its alignment.
    void PositionWindow();
};

// Opens `url` with the shell's verb "open"; when that fails, runs the registered web-page handler (the open
// command of the class of ".htm") with the target as its argument. Greater than 32 on success, else the error.
int ShellOpenUrl(const std::string& url, int nShowCmd);
// The default value (at most 260 bytes) of `subkey` under `root` into `*value` (empty when unreadable); 0 on
// success, else the registry's error for opening the key.
LONG ReadRegistryDefault(HKEY root, const std::string& subkey, std::string* value);
// "不能打开链接:\n\n" and the text of a shell error code, as ShowLinkError shows it.
std::wstring LinkErrorMessage(int code);
// The message box of a link that could not be followed, titled with the application's name.
void ShowLinkError(int code);
// Loads CHyperLink::s_hLinkCursor once: cursor 106 of the Windows folder's winhlp32.exe, or the system's hand.
void LoadHandCursor();
