#include "export/export_command.h"

#include "fx/app.h"
#include "fx/controls.h"
#include "fx/filedialog.h"
#include "res/export_strings.h"

#include <utility>

namespace {

void ShowMessage(CWnd* owner, const char* text)
{
    if (owner)
        owner->MessageBox(text, nullptr, MB_OK);
    else
        AfxMessageBox(text, MB_OK);
}

std::vector<std::string> LinesOf(const CListBox& list)
{
    std::vector<std::string> lines;
    const int count = list.GetCount();
    lines.reserve(count > 0 ? std::size_t(count) : 0);
    for (int i = 0; i < count; ++i) {
        CString text;
        list.GetText(i, text);
        lines.push_back(std::move(text));
    }
    return lines;
}

}  // namespace

std::string ExportFilterString()
{
    std::string filter;
    for (const ExportFileFilter& f : kExportFileFilters) {
        filter += f.text;
        filter += '|';
        filter += f.pattern;
        filter += '|';
    }
    return filter + '|';
}

void OnExportCommand(const std::vector<std::string>& listLines, int exportType, CWnd* owner, const ExportIo& io)
{
    const std::vector<std::string> lines = ExportedLines(listLines);
    if (lines.empty()) {
        ShowMessage(owner, kExportNotEnoughText);
        return;
    }

    const std::string filter = ExportFilterString();
    CFileDialog dialog(FALSE, kExportDefaultExtension, nullptr, OFN_OVERWRITEPROMPT, filter.c_str(), owner);
    dialog.m_ofn.nFilterIndex = DWORD(FilterIndexForSetting(exportType));
    if (dialog.DoModal() != IDOK)
        return;

    const std::string path = dialog.GetPathName();
    const ExportMode mode = ModeForFilterIndex(int(dialog.m_ofn.nFilterIndex));
    const ExportResult result = WriteExportFile(path, lines, mode, io);
    if (!result)
        ShowMessage(owner, ExportFailureMessage(path, result).c_str());
}

void OnExportCommand(const CListBox& list, int exportType, CWnd* owner)
{
    OnExportCommand(LinesOf(list), exportType, owner);
}
