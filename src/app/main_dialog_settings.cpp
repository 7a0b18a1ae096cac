// Tools > Settings: the settings sheet, saved on OK.
#include "app/main_dialog.h"

#include "settings/settings_sheet.h"

void CMainDialog::OnSettings()
{
    CString display;
    m_comboDisplay.GetWindowText(display);
    if (OnSettingsCommand(m_settings, display, m_strVersion, m_strBuild, this))
        OnBrowse();
}
