// Texts of the program's start that code without widgets words.
#pragma once

#include <string>

namespace res {

// The server named at start is known neither to DNS (nor the hosts file) nor to NetBIOS.
inline std::string ServerNotFoundText(const std::string& server)
{
    return "The server " + server +
           " was not found (by DNS or NetBIOS). Browses will fail until its name can be "
           "found.";
}

}  // namespace res
