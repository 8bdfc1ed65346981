// A file list for tests: the form of dialog 101 in a host window, its list control 1000 bound to a
// CSortingListCtrl by the data exchange, with the seven columns of the program's file list and rows made
// from the sample movies.
#pragma once

#include <string>
#include <vector>

#include "controls.h"
#include "dialog.h"
#include "gui_test_support.h"
#include "sorting_list_ctrl.h"

namespace sqztest {

// The form view of the tests: binds the list and counts the notifications that reached it unreflected.
class ListForm : public CFormView {
public:
    ListForm();
    CSortingListCtrl m_list;
    std::vector<UINT> m_unreflected;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// One row of the list as the tests know it.
struct Row {
    std::string cells[7];
    int image = -1;
};

class ListFixture {
public:
    // A host window of `width` x `height` pixels with the form filling its client area and the seven columns
    // inserted (widths in fortieths of the width, all sortable, text for 0, 1 and 6).
    explicit ListFixture(int width = 900, int height = 520);
    ~ListFixture();

    // Rows made from the corpus: name, folder, size, optimized size and ratio (for uncompressed movies, from
    // a real compression into `scratch`), version and comment; bad movies get only name, folder and comment.
    static std::vector<Row> CorpusRows(const std::string& scratch);
    // Appends `rows`, each item's parameter its index in `rows`.
    void Fill(const std::vector<Row>& rows);
    // Appends rows whose column `column` holds `texts` (other cells empty), parameter = index.
    void FillColumn(int column, const std::vector<std::string>& texts);
    // The texts of column `column`, top to bottom.
    std::vector<std::string> Column(int column) const;
    // The item parameters, top to bottom.
    std::vector<LPARAM> Params() const;
    // Clicks header item `column` with the mouse (button down and up on the item's centre).
    void ClickHeader(int column);

    HostWindow m_host;
    ListForm m_form;
    CSortingListCtrl& list() { return m_form.m_list; }
    CImageList m_images;
    CBitmap m_bitmap;
};

}  // namespace sqztest
