// The commands on single rows and on the whole list: View, Rename, Delete, Save as, Remove all, Select all and
// Properties.
#include "squozen_view.h"

// Not built yet: the item commands come with the properties dialog. Until then these commands do nothing, and
// an in-place edit of a name ends without renaming anything.
void CSquozenView::OnView() {}

void CSquozenView::OnRename() {}

void CSquozenView::OnDelete() {}

void CSquozenView::OnSaveAs() {}

void CSquozenView::OnRemoveAll() {}

void CSquozenView::OnSelectAll() {}

void CSquozenView::OnProperties() {}

void CSquozenView::OnEndLabelEdit(NMLVDISPINFOA* pInfo, LRESULT* pResult) {
    (void)pInfo;
    *pResult = 0;
}
