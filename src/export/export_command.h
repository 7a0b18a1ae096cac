// The Export command: writes the lines of the result list to a file the user picks.
#pragma once

#include <string>
#include <vector>

#include "export/export_file.h"

class CListBox;
class CWnd;

// The save dialog's filter list, "Text files (*.txt)|*.txt|CSV (*.csv)|*.csv||".
std::string ExportFilterString();

// With fewer than three lines, shows "There is not enough information to be exported.
// ..." and returns. Otherwise opens the save dialog (default extension "TXT", asking
// before replacing a file) on the filter that exportType selects, and writes the header
// and the result lines in the mode of the filter the user chose last. A failed write
// shows "Could not write the export file." with the path and the reason and leaves any
// earlier file at that path as it was. Cancelling the dialog does nothing. Messages are
// owned by `owner`; `io` replaces the system calls for tests.
void OnExportCommand(const std::vector<std::string>& listLines, int exportType, CWnd* owner, const ExportIo& io = {});
// The same over the lines of a list box, fetched whole.
void OnExportCommand(const CListBox& list, int exportType, CWnd* owner);
