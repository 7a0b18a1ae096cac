// The result list: selection, scrolling, and opening properties from a line.
#include "app/main_dialog.h"

void CMainDialog::OnSelchangeResults() {}

void CMainDialog::OnHScroll(UINT nSBCode, UINT nPos, void* pScrollBar)
{
    CDialog::OnHScroll(nSBCode, nPos, pScrollBar);
}

// A double-click on a USERS, GROUPS or NETWORK line.
void CMainDialog::OnListDoubleClick() {}

// Tools > Properties (cyclic): the selected lines one after another.
void CMainDialog::OnPropertiesCyclic() {}
