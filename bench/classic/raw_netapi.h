// libnetapi's own level-3 enumeration, without the program around it (Samba's netapi.h
// and the program's interface can't share a file: their names collide).
#pragma once

#include <cstdint>
#include <string>

namespace vxbench {

// NetUserEnum at level 3 over every normal account of `server`, in batches of `batchBytes`;
// the accounts read, or -1 when a call fails. Credentials as the program's auth file gives them.
long LibnetapiLevel3(const std::string& server, const std::string& workgroup, const std::string& user,
                     const std::string& password, std::uint32_t batchBytes);

}  // namespace vxbench
