// The plain level-3 user enumeration through Samba's libnetapi, the peer the USERS
// browse is measured against.
#pragma once

#include <cstdint>
#include <string>

struct RawEnumeration {
    std::uint32_t status = 0;
    std::uint64_t accounts = 0;
};

// NetUserEnum level 3 of the normal accounts of `host`, following the resume handle
// to the end, logged on as user/password in `domain`.
RawEnumeration RawUserEnumLevel3(const std::string& host, const std::string& domain, const std::string& user,
                                 const std::string& password);
