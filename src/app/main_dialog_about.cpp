// Help > About, the system menu's About entry, and Help > How to contact.
#include "app/main_dialog.h"

#include "app/about_dlg.h"
#include "app/contact_dlg.h"

// The About box (dialog 100) with m_strVersion and m_strBuild.
void CMainDialog::OnAbout()
{
    CAboutDlg dlg;
    dlg.m_strVersion = m_strVersion;
    dlg.m_strBuild = m_strBuild;
    dlg.DoModal();
}

// The contact box (dialog 148).
void CMainDialog::OnContact()
{
    CContactDlg dlg;
    dlg.DoModal();
}
