// The texts of a list box, and a refill of one, for the account dialogs.
#pragma once

#include "fx/fx.h"

#include <string>
#include <vector>

namespace accounts {

std::vector<std::string> ListEntries(const CListBox& list);
void FillList(CListBox& list, std::vector<std::string> entries);

// The current server the opener named, or the local computer when it named none.
const std::string& ServerOf(const std::string* server);

}  // namespace accounts
