// The system's reason for a Net status, as a sentence for a message box.
#pragma once

#include "platform/net/netapi.h"

#include <string>

namespace net {

// "Access is denied." for 5, ...; an unknown code as "Error N.".
std::string StatusText(Status status);

}  // namespace net
