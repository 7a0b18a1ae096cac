// The searches a USERS or GROUPS browse needs, made straight through libldap on a
// bound connection and read to the last value, the peer the directory route's
// browses are measured against.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

typedef struct ldap LDAP;

struct RawRead {
    int rc = 0;  // the LDAP result code
    std::size_t entries = 0;
    std::size_t values = 0;
    std::size_t bytes = 0;  // of every value
};

// One subtree search without paging under `base`, every value of each entry read as
// the entry arrives (as ldapsearch prints them); `daclOnly` asks for the security
// descriptor's DACL alone, as the route does.
RawRead RawSearch(LDAP* ld, const std::string& base, const std::string& filter,
                  const std::vector<std::string>& attributes, bool daclOnly = false);

// Sums two reads; the first failure's code stays.
RawRead operator+(const RawRead& a, const RawRead& b);
