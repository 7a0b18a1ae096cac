#include "accounts/list_entries.h"

namespace accounts {

std::vector<std::string> ListEntries(const CListBox& list)
{
    std::vector<std::string> entries;
    for (int i = 0; i < list.GetCount(); ++i) {
        CString text;
        list.GetText(i, text);
        entries.push_back(std::move(text));
    }
    return entries;
}

void FillList(CListBox& list, std::vector<std::string> entries)
{
    list.ResetContent();
    list.AddStrings(std::move(entries));
}

const std::string& ServerOf(const std::string* server)
{
    static const std::string local;
    return server ? *server : local;
}

}  // namespace accounts
