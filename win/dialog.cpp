// Modal and child dialogs over resource templates, and the dialog data exchange.
#include "dialog.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "ansi_path.h"
#include "win_app.h"

void CDataExchange::Fail(HWND hCtrl) {
    m_bFailed = TRUE;
    if (hCtrl) ::SetFocus(hCtrl);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (!hCtrl) return;
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(hCtrl, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2) value = 0;
        ::SendMessageW(hCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (!hCtrl) return;
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    // The group: from the first button up to (not including) the next control that starts a group.
    do {
        if (::SendMessageW(hCtrl, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageW(hCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                ::SendMessageW(hCtrl, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hCtrl = ::GetWindow(hCtrl, GW_HWNDNEXT);
    } while (hCtrl && !(::GetWindowLongPtrW(hCtrl, GWL_STYLE) & WS_GROUP));
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (!hCtrl) return;
    if (pDX->m_bSaveAndValidate) {
        value = ansi_path::Narrow(ReadWindowText(hCtrl), CP_ACP);
    } else {
        ::SetWindowTextW(hCtrl, ansi_path::Wide(value, CP_ACP).c_str());
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (!hCtrl) return;
    if (pDX->m_bSaveAndValidate) {
        std::string text;
        DDX_Text(pDX, nIDC, text);
        const char* begin = text.c_str();
        char* end = nullptr;
        errno = 0;
        long parsed = std::strtol(begin, &end, 10);
        while (end && (*end == ' ' || *end == '\t')) ++end;
        if (end == begin || !end || *end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) {
            pDX->Fail(hCtrl);
            return;
        }
        value = static_cast<int>(parsed);
    } else {
        std::string text = std::to_string(value);
        DDX_Text(pDX, nIDC, text);
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (control.m_hWnd) return;
    control.SubclassWindow(pDX->PrepareCtrl(nIDC));
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::HandleCommand(UINT nID, int nCode) {
    if (nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI) return FALSE;
    if (nID == IDOK) {
        if (nCode == CN_COMMAND) OnOK();
        return TRUE;
    }
    if (nID == IDCANCEL) {
        if (nCode == CN_COMMAND) OnCancel();
        return TRUE;
    }
    return FALSE;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    // The loop ends after the message being handled; DoModal then hides the dialog and gives the activation back.
    m_bInModalLoop = false;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) { return m_hWnd && ::IsDialogMessageW(m_hWnd, pMsg); }

BOOL CDialog::CreateFromTemplate(HWND hWndParent) {
    // A Unicode dialog: its controls are made with the template's UTF-16 texts, never narrowed to the ANSI code page.
    HWND hWnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hWndParent,
                                     &CDialog::DlgProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hOwner && AfxGetMainWnd()) hOwner = AfxGetMainWnd()->m_hWnd;
    if (hOwner) hOwner = ::GetLastActivePopup(::GetAncestor(hOwner, GA_ROOT));
    bool ownerEnabled = hOwner && ::IsWindowEnabled(hOwner);

    m_nModalResult = -1;
    m_bInModalLoop = true;
    if (!CreateFromTemplate(hOwner)) {
        m_bInModalLoop = false;
        return -1;
    }
    if (ownerEnabled) ::EnableWindow(hOwner, FALSE);
    // OnInitDialog may already have ended the dialog.
    if (m_bInModalLoop) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    MSG msg;
    while (m_bInModalLoop) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // WM_QUIT ends the dialog and is put back for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        CWinApp::PumpMessage(&msg);
    }
    m_bInModalLoop = false;
    // Hidden without passing the activation on: while the owner is still disabled the system would find no window
    // to activate, and the program would be left without the keyboard (no focus, no menu by F10 or Alt) until a
    // click. The owner is enabled first and then takes the activation, and with it the keyboard focus.
    bool wasActive = m_hWnd && ::GetActiveWindow() == m_hWnd;
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (ownerEnabled) ::EnableWindow(hOwner, TRUE);
    if (hOwner && (wasActive || !::GetActiveWindow())) ::SetActiveWindow(hOwner);
    DestroyWindow();
    return m_nModalResult;
}

INT_PTR CALLBACK CDialog::DlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        if (!self) return FALSE;
        self->Attach(hWnd);
        try {
            return self->OnInitDialog();
        } catch (...) {
            return TRUE;  // see CWnd::StdWndProc: nothing unwinds through the system's frames
        }
    }
    if (!self) return FALSE;
    LRESULT result = 0;
    BOOL handled = FALSE;
    try {
        handled = self->OnWndMsg(msg, wParam, lParam, &result);
    } catch (...) {
        handled = FALSE;
    }
    if (msg == WM_NCDESTROY && self->m_hWnd == hWnd) {
        self->Detach();
        self->PostNcDestroy();
        return FALSE;
    }
    if (!handled) return FALSE;
    switch (msg) {
        // These messages take their result as the dialog procedure's return value.
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

BOOL CFormView::Create(CWnd* pParent, UINT nID, const RECT& rect) {
    if (!pParent || !CreateFromTemplate(pParent->m_hWnd)) return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWLP_ID, static_cast<LONG_PTR>(nID));
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(m_hWnd, SW_SHOW);
    return TRUE;
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg) {
    for (HWND hWnd = GetParent(); hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* parent = CWnd::FromHandlePermanent(hWnd);
        if (parent && parent->PreTranslateMessage(pMsg)) return TRUE;
        if (!(::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CFormView::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (msg == WM_SETFOCUS) {
        HWND target = nullptr, fallback = nullptr;
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child && !target; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(child) || !::IsWindowEnabled(child)) continue;
            if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP)
                target = child;
            else if (!fallback)
                fallback = child;
        }
        if (!target) target = fallback;
        if (target) ::SetFocus(target);
        *pResult = 0;
        return TRUE;
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, pResult);
}
