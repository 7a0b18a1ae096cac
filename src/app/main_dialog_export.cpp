// File > Export and the Export button: the shown list to a text file.
#include "app/main_dialog.h"

#include "export/export_command.h"

void CMainDialog::OnExport()
{
    OnExportCommand(m_listResults, m_settings.x_export_type, this);
}
