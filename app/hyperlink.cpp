// The hyperlink control, the shell's opening of its target with the web-browser fallback, and its messages.
#include "hyperlink.h"

#include <shellapi.h>
#include <windowsx.h>

#include "ansi_path.h"
#include "mbcs.h"
#include "win_app.h"

const COLORREF CHyperLink::s_crLinkColour = RGB(0, 0, 255);
const COLORREF CHyperLink::s_crVisitedColour = RGB(128, 0, 128);
const COLORREF CHyperLink::s_crHoverColour = RGB(255, 0, 0);
const COLORREF CHyperLink::s_crActiveColour = RGB(0, 128, 128);
HCURSOR CHyperLink::s_hLinkCursor = nullptr;

namespace {

constexpr UINT_PTR kToolId = 1;
// The cursor resource of winhlp32.exe that shows a pointing hand.
constexpr WORD kHelpHandCursor = 106;

}  // namespace

CHyperLink::~CHyperLink() {
    // A link that goes before its dialog takes its window along: the window draws with the link's own font.
    if (m_hWnd) DestroyWindow();
}

void CHyperLink::PreSubclassWindow() {
    std::wstring text = GetWindowText();
    if (m_strUrl.empty()) m_strUrl = ansi_path::Narrow(text, CP_ACP);
    if (text.empty()) SetWindowText(ansi_path::Wide(m_strUrl, CP_ACP));

    HFONT hDialogFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    LOGFONTW lf;
    if (hDialogFont && ::GetObjectW(hDialogFont, sizeof(lf), &lf) == sizeof(lf)) {
        lf.lfUnderline = static_cast<BYTE>(m_nStyle & HLS_UNDERLINE);
        m_fontUnderline.Attach(::CreateFontIndirectW(&lf));
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontUnderline.m_hObject), TRUE);
        PositionWindow();
    } else {
        m_nStyle &= ~HLS_AUTOSIZE;
    }
    if (!(m_nStyle & HLS_NOHANDCURSOR)) LoadHandCursor();

    if (m_toolTip.Create(this)) {
        RECT rc;
        GetClientRect(&rc);
        m_toolTip.AddTool(this, ansi_path::Wide(m_strUrl, CP_ACP), rc, kToolId);
    }
    CWnd::PreSubclassWindow();
}

void CHyperLink::SetLinkUrl(const std::string& url) {
    m_strUrl = url;
    if (!IsWindow()) return;
    ShowWindow(SW_HIDE);
    PositionWindow();
    if (m_toolTip.IsWindow()) m_toolTip.UpdateTipText(ansi_path::Wide(url, CP_ACP), this, kToolId);
    ShowWindow(SW_SHOW);
}

void CHyperLink::SetLinkText(const std::string& text) {
    if (!IsWindow()) return;
    // Hidden while it changes, so that the dialog repaints the background the old text covered.
    ShowWindow(SW_HIDE);
    SetWindowText(ansi_path::Wide(text, CP_ACP));
    PositionWindow();
    ShowWindow(SW_SHOW);
}

void CHyperLink::PositionWindow() {
    if (!IsWindow() || !(m_nStyle & HLS_AUTOSIZE)) return;
    RECT r, client;
    GetWindowRect(&r);
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(&client);
    const int dw = (r.right - r.left) - (client.right - client.left);
    const int dh = (r.bottom - r.top) - (client.bottom - client.top);

    std::wstring text = GetWindowText();
    SIZE extent = {0, 0};
    HDC hdc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(hdc, m_fontUnderline);
    ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(hdc, old);
    ::ReleaseDC(m_hWnd, hdc);

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        int d = ((r.bottom - r.top) - extent.cy) / 2;
        r.top += d;
        r.bottom -= d;
    } else {
        r.bottom = r.top + extent.cy;
    }
    switch (style & SS_TYPEMASK) {
        case SS_CENTER: {
            int d = ((r.right - r.left) - extent.cx) / 2;
            r.left += d;
            r.right -= d;
            break;
        }
        case SS_RIGHT:
            r.left = r.right - extent.cx;
            break;
        default:
            r.right = r.left + extent.cx;
            break;
    }
    MoveWindow(r.left, r.top, (r.right - r.left) + dw, (r.bottom - r.top) + dh, TRUE);
}

COLORREF CHyperLink::TextColour() const {
    if (m_bOver && (m_nStyle & HLS_HOVERCOLOUR)) return s_crHoverColour;
    if (m_bActive && !(m_nStyle & HLS_NOACTIVECOLOUR)) return s_crActiveColour;
    if (m_bVisited) return s_crVisitedColour;
    return s_crLinkColour;
}

void CHyperLink::OpenLink() {
    int result = ShellOpenUrl(m_strUrl, SW_SHOW);
    if (result <= 32) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ShowLinkError(result);
        return;
    }
    m_bVisited = TRUE;
    Invalidate();
}

BOOL CHyperLink::PreTranslateMessage(MSG* pMsg) {
    if (m_toolTip.IsWindow()) m_toolTip.RelayEvent(pMsg);
    return CWnd::PreTranslateMessage(pMsg);
}

BOOL CHyperLink::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* pResult) {
    if (msg != WM_CTLCOLORSTATIC) return FALSE;
    HDC hdc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(hdc, TextColour());
    ::SetBkMode(hdc, TRANSPARENT);
    // A hollow brush: the dialog's background shows through.
    *pResult = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return TRUE;
}

BOOL CHyperLink::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (msg) {
        case WM_SETCURSOR:
            if (!s_hLinkCursor) return FALSE;
            ::SetCursor(s_hLinkCursor);
            *pResult = TRUE;
            return TRUE;
        case WM_MOUSEMOVE: {
            POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (!m_bOver) {
                m_bOver = TRUE;
                Invalidate();
                ::SetCapture(m_hWnd);
            } else {
                RECT rc;
                GetClientRect(&rc);
                if (!::PtInRect(&rc, at)) {
                    // Let go at once, so that a button released outside the link does not follow it.
                    m_bOver = FALSE;
                    ::ReleaseCapture();
                    Invalidate();
                }
            }
            *pResult = 0;
            return TRUE;
        }
        case WM_LBUTTONDOWN:
            if (m_nStyle & HLS_FOCUSONCLICK) SetFocus();
            if (m_nStyle & HLS_FOLLOWONDOWN) OpenLink();
            m_bActive = TRUE;
            *pResult = 0;
            return TRUE;
        case WM_LBUTTONUP:
            if (m_bActive && !(m_nStyle & HLS_FOLLOWONDOWN)) OpenLink();
            *pResult = 0;
            return TRUE;
        case WM_SETFOCUS:
            m_bActive = TRUE;
            Invalidate();
            *pResult = 0;
            return TRUE;
        case WM_KILLFOCUS:
            m_bOver = FALSE;
            m_bActive = FALSE;
            Invalidate();
            *pResult = 0;
            return TRUE;
        case WM_KEYDOWN:
            if (wParam != VK_SPACE) return FALSE;
            OpenLink();
            *pResult = 0;
            return TRUE;
        case WM_NCHITTEST:
            // A static without the notify style would pass the mouse on to its dialog.
            *pResult = HTCLIENT;
            return TRUE;
        case WM_DESTROY:
            SendMessage(WM_SETFONT, 0, FALSE);
            m_fontUnderline.DeleteObject();
            return FALSE;
        default:
            return CWnd::OnWndMsg(msg, wParam, lParam, pResult);
    }
}

LONG ReadRegistryDefault(HKEY root, const std::string& subkey, std::string* value) {
    value->clear();
    HKEY hKey = nullptr;
    LONG opened = ::RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &hKey);
    if (opened != ERROR_SUCCESS) return opened;
    char data[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH, type = 0;
    if (::RegQueryValueExA(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        *value = data;
    ::RegCloseKey(hKey);
    return ERROR_SUCCESS;
}

int ShellOpenUrl(const std::string& url, int nShowCmd) {
    int result = static_cast<int>(
        reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, nShowCmd)));
    if (result > 32) return result;

    // The program that opens web pages, from the class of ".htm".
    std::string pageClass, command;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, ".htm", &pageClass) != ERROR_SUCCESS) return result;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, pageClass + "\\shell\\open\\command", &command) != ERROR_SUCCESS)
        return result;
    // The target takes the place of the command's "%1" (quoted or not) and whatever follows it.
    size_t placeholder = sqz::MbsFind(command, "\"%1\"");
    if (placeholder == std::string::npos) placeholder = sqz::MbsFind(command, "%1");
    if (placeholder != std::string::npos) command.erase(placeholder);
    command += " " + url;
    return static_cast<int>(::WinExec(command.c_str(), static_cast<UINT>(nShowCmd)));
}

std::wstring LinkErrorMessage(int code) {
    std::wstring text;
    switch (code) {
        case 0:
            text = L"操作系统内存或资源不足。";
            break;
        case SE_ERR_FNF:
            text = L"指定的文件没有找到。";
            break;
        case SE_ERR_PNF:
            text = L"指定的路径没有找到。";
            break;
        case SE_ERR_ACCESSDENIED:
            text = L"操作系统拒绝关联到指定的文件。";
            break;
        case SE_ERR_OOM:
            text = L"没有足够的内存完成操作。";
            break;
        case ERROR_BAD_FORMAT:
            text = L"可执行文件无效\n(非 Win32 可执行文件)。";
            break;
        case SE_ERR_SHARE:
            text = L"一个共享违背 occurred。 ";
            break;
        case SE_ERR_ASSOCINCOMPLETE:
            text = L"文件名关联不完全或无效。";
            break;
        case SE_ERR_DDETIMEOUT:
            text = L"DDE 处理不能完成\n因为请求时间已到。";
            break;
        case SE_ERR_DDEFAIL:
            text = L"DDE 处理失败。";
            break;
        case SE_ERR_DDEBUSY:
            text = L"DDE 处理不能完成\n因为其它的 DDE 处理没有完成。";
            break;
        case SE_ERR_NOASSOC:
            text = L"没有应用程序被关联\n用于被给定的文件扩展名。";
            break;
        case SE_ERR_DLLNOTFOUND:
            text = L"指定的连接程序库没有找到。";
            break;
        default:
            text = L"未知的错误 (" + std::to_wstring(code) + L") occurred。";
            break;
    }
    return L"不能打开链接:\n\n" + text;
}

void ShowLinkError(int code) {
    CWnd* main = AfxGetMainWnd();
    HWND hOwner = main && main->m_hWnd ? ::GetLastActivePopup(main->m_hWnd) : ::GetActiveWindow();
    ::MessageBoxW(hOwner, LinkErrorMessage(code).c_str(), ansi_path::Wide(AfxGetAppName(), CP_ACP).c_str(),
                  MB_ICONEXCLAMATION);
}

void LoadHandCursor() {
    if (CHyperLink::s_hLinkCursor) return;
    char folder[MAX_PATH + 1] = {};
    UINT n = ::GetWindowsDirectoryA(folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        std::string help = std::string(folder, n) + "\\winhlp32.exe";
        // Only its resources are wanted: nothing of the program runs.
        HMODULE hHelp = ::LoadLibraryExA(help.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (hHelp) {
            HCURSOR hHand = ::LoadCursorA(hHelp, MAKEINTRESOURCEA(kHelpHandCursor));
            if (hHand) CHyperLink::s_hLinkCursor = static_cast<HCURSOR>(::CopyIcon(hHand));
            ::FreeLibrary(hHelp);
        }
    }
    // Where the help program has no hand, the system's own.
    if (!CHyperLink::s_hLinkCursor) CHyperLink::s_hLinkCursor = ::LoadCursorA(nullptr, IDC_HAND);
}
