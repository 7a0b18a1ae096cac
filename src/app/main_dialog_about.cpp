// Help > About, the system menu's About entry, and Help > How to contact.
#include "app/main_dialog.h"

// The About box (dialog 100) with m_strVersion and m_strBuild.
void CMainDialog::OnAbout() {}

// The contact box (dialog 148).
void CMainDialog::OnContact() {}
