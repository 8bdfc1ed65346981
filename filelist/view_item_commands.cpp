// The commands on single rows and on the whole list: View, Rename, Delete, Save as, Remove all, Select all and
// Properties.
#include "squozen_view.h"

#include <shellapi.h>

#include <cstring>

#include "ansi_path.h"
#include "atomic_file.h"
#include "file_dialog.h"
#include "file_properties_dlg.h"
#include "list_messages.h"
#include "mbcs.h"
#include "platform.h"

namespace {

// The list's style while names may be edited in place: that of the form's list, without WS_TABSTOP, with a
// border and with label editing.
constexpr DWORD kEditableListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_EDITLABELS | LVS_REPORT;

// The name a finished edit asks for, made as the user typed it into a file name: empty when it is refused (an
// empty name, ".swf" alone, a cancelled edit, or a byte that a file name cannot hold), else the name ending in
// ".swf". The bytes are tested one by one, so a double-byte character whose second byte is a backslash or a
// vertical bar is refused too.
std::string NameFromEdit(const char* pszText) {
    // A cancelled edit carries no text and reads as "(null)", like a typed "(null)": both are refused.
    std::string name = pszText ? pszText : "(null)";
    if (name.empty() || name == "(null)" || sqz::MbsICmp(name, ".swf") == 0) return std::string();
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos) return std::string();
    if (name.size() < 4 || sqz::MbsICmp(name.substr(name.size() - 4), ".swf") != 0) name += ".swf";
    return name;
}

}  // namespace

int CSquozenView::SelectionMarkRow() const {
    int mark = m_wndFileList.GetSelectionMark();
    return mark >= 0 && mark < m_wndFileList.GetItemCount() ? mark : -1;
}

int CSquozenView::ShowMessage(const std::wstring& text, UINT nType) {
    return ::MessageBoxW(m_hWnd, text.c_str(), kMessageCaption, nType);
}

void CSquozenView::OnView() {
    for (int i = m_wndFileList.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = m_wndFileList.GetNextItem(i, LVNI_SELECTED))
        ::ShellExecuteA(m_hWnd, "open", RowPath(i).c_str(), nullptr, nullptr, SW_SHOW);
}

void CSquozenView::OnRename() {
    // From now on a click on the name of a selected row starts an edit too, which ends the same way.
    ::SetWindowLongPtrA(m_wndFileList.m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(kEditableListStyle));
    int row = SelectionMarkRow();
    if (row >= 0) m_wndFileList.EditLabel(row);
}

void CSquozenView::OnEndLabelEdit(NMLVDISPINFOW* pInfo, LRESULT* pResult) {
    // The list never takes the typed text by itself: the row shows a new name only once the file has it.
    *pResult = 0;
    // The row whose name was edited; the selection mark when the notification names none.
    int row = pInfo->item.iItem >= 0 && pInfo->item.iItem < m_wndFileList.GetItemCount() ? pInfo->item.iItem
                                                                                         : SelectionMarkRow();
    if (row < 0) return;
    // The typed name in the ANSI code page, as the program names its files; a name that code page cannot hold
    // exactly (a character that would turn into "?" or a look-alike) is refused like any other impossible name.
    std::string typed;
    if (pInfo->item.pszText) {
        const std::wstring wide = pInfo->item.pszText;
        typed = ansi_path::Narrow(wide, CP_ACP);
        if (ansi_path::Wide(typed, CP_ACP) != wide) return;
    }
    std::string name = NameFromEdit(pInfo->item.pszText ? typed.c_str() : nullptr);
    if (name.empty()) return;
    const std::string oldName = m_wndFileList.GetItemText(row, kColumnName);
    const std::string folder = m_wndFileList.GetItemText(row, kColumnFolder);
    if (name == oldName) return;
    // A plain move, never over another file: a name that is taken, a file in use or a refused name keep the row
    // as it was and are reported.
    if (!sqz::Files().Move(folder + oldName, folder + name)) {
        ShowMessage(L"重命名 " + ansi_path::Wide(folder + oldName, CP_ACP) + L" 失败！", MB_OK | MB_ICONERROR);
        return;
    }
    m_wndFileList.SetItemText(row, kColumnName, name);
}

void CSquozenView::OnDelete() {
    int first = m_wndFileList.GetNextItem(-1, LVNI_SELECTED);
    int last = -1;
    while (first >= 0) {
        int next = m_wndFileList.GetNextItem(first, LVNI_SELECTED);
        m_wndFileList.DeleteItem(first);
        last = first;
        if (next < 0) break;
        // The rows after the deleted one moved up by one.
        first = next - 1;
    }
    const int count = m_wndFileList.GetItemCount();
    if (last >= 0 && count > 0)
        m_wndFileList.SetItemState(last < count ? last : last - 1, LVIS_SELECTED, LVIS_SELECTED);
    // Deleted rows raise no change of selection: the frame hears of the new selection here.
    ReportSelection();
    ::SendMessageA(ReportWindow(), WM_FILELIST_COUNT, static_cast<WPARAM>(count), 0);
}

void CSquozenView::OnSaveAs() {
    int row = SelectionMarkRow();
    if (row < 0) return;
    const std::string path = RowPath(row);
    CFileDialog dlg(FALSE, L"*.swf", L"*.swf", OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                    L"Flash 文件(*.swf)|*.swf||");
    if (dlg.DoModal() != IDOK) return;
    // A new name that the ANSI code page cannot hold is reached by its short form, which the file has once it is
    // created; where the volume keeps no short forms the save fails.
    bool created = false;
    const std::string target = dlg.GetNewPathName(&created);
    // Written beside the target and put in place when whole, so that a file the user chose to overwrite is never
    // left half-written. An existing file takes the copy as its new content, as a copy over it would give it: it
    // keeps its creation time and attributes, and one that is read-only or in use is refused.
    sqz::FileEntry existing;
    bool over = !target.empty() && sqz::Files().Find(target, &existing) && !existing.bFolder;
    if (target.empty() || !sqz::CopyAtomically(path, target, over, true).Ok()) {
        if (created) sqz::Files().Delete(target);
        ShowMessage(L"另存为 " + dlg.GetShownPathName() + L" 失败！", MB_OK | MB_ICONERROR);
    }
}

void CSquozenView::OnRemoveAll() {
    m_wndFileList.DeleteAllItems();
    ReportSelection();
    ::SendMessageA(ReportWindow(), WM_FILELIST_COUNT, static_cast<WPARAM>(m_wndFileList.GetItemCount()), 0);
}

void CSquozenView::OnSelectAll() {
    m_wndFileList.SetFocus();
    // One report for the whole selection instead of one per row, each of which would walk every selected row.
    m_bQuietSelection = true;
    const int count = m_wndFileList.GetItemCount();
    for (int i = 0; i < count; ++i) m_wndFileList.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    m_bQuietSelection = false;
    ReportSelection();
}

void CSquozenView::OnProperties() {
    // The selection mark; when there is none (rows selected only through Select all), the first selected row.
    int row = SelectionMarkRow();
    if (row < 0) row = m_wndFileList.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) return;
    if (IsBadFlashComment(m_wndFileList.GetItemText(row, kColumnComment))) {
        ShowMessage(L"Flash 文件损坏不能查看属性!", MB_OK);
        return;
    }
    const std::string path = RowPath(row);
    CFilePropertiesDlg dlg(this);
    dlg.m_pszPath = path.c_str();
    dlg.DoModal();
}
