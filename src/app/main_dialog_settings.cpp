// Tools > Settings: the settings sheet, saved on OK.
#include "app/main_dialog.h"

void CMainDialog::OnSettings() {}
