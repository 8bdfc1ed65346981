// The Test and Optimize batches of the file list.
#include "squozen_view.h"

// Not built yet: Test and Optimize come with the batch step. Until then both commands do nothing.
void CSquozenView::OnTest() {}

void CSquozenView::OnOptimize() {}
