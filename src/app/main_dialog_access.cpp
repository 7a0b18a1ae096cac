// The main window to a screen reader: the result list's name and how it reads its
// lines, the news that a browse has ended, and the keyboard's way to a row's properties.
#include "app/main_dialog.h"

#include "browse/spoken_lines.h"
#include "res/browse_strings.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace {

fx::LineRole RoleOf(ListLineKind kind)
{
    switch (kind) {
    case ListLineKind::Heading:
        return fx::LineRole::Heading;
    case ListLineKind::Separator:
        return fx::LineRole::Separator;
    case ListLineKind::Row:
        break;
    }
    return fx::LineRole::Item;
}

}  // namespace

// "USERS of \\DC1"; FILES are of the folder they were counted below.
std::string CMainDialog::ResultsName() const
{
    const char* type = DisplayTypeText(m_shownType);
    if (type == nullptr)
        return res::STR_SPOKEN_RESULTS;
    const std::string& where = m_shownType == DisplayType::FILES ? m_settings.f_root_path : m_settings.serverName;
    return std::string(type) + ' ' + res::STR_SPOKEN_OF + ' ' + where;
}

// The list just shown reads its heading as column names and each row as its fields; the
// Entries Found box tells the count, and the focus stays where the user left it.
void CMainDialog::DescribeResults()
{
    const DisplayType type = m_shownType;
    fx::LineReader reader;
    reader.role = [](const std::vector<std::string>& lines, int index) { return RoleOf(KindOfListLine(lines, index)); };
    reader.text = [type](const std::vector<std::string>& lines, int index) {
        return SpokenListLine(lines, index, type);
    };
    m_listResults.SetLineReader(std::move(reader));
    m_listResults.SetAccessibleName(ResultsName().c_str());
    if (CWnd* entries = GetDlgItem(res::IDC_ENTRIES_FOUND)) {
        const std::string news = std::to_string(m_nEntriesFound) + ' ' +
                                 (m_nEntriesFound == 1 ? res::STR_SPOKEN_ENTRY_FOUND : res::STR_SPOKEN_ENTRIES_FOUND);
        entries->Announce(news.c_str());
    }
}

// The Menu key or Shift+F10 in the result list opens the selected rows, as Tools >
// Properties does (which a running browse grays).
LRESULT CMainDialog::OnContextMenuKey(WPARAM control, LPARAM)
{
    if (int(control) == res::IDC_RESULTS && !IsBrowsing())
        OnPropertiesCyclic();
    return 0;
}
