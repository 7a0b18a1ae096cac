// Shared by the integration tests: a SambaNetApi logged on as the local controller's
// Administrator (credentials from the auth file that scripts/local-dc wrote), and
// the accounts that `scripts/local-dc populate` creates.
#pragma once

#include "platform/net/credentials.h"
#include "platform/net/samba/samba_netapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace vxtest {

inline const std::string kServer = "\\\\DC1";
inline const std::string kPassword = "Vellox-Test-1a";  // the test users' password

inline net::SambaConnection AdminConnection()
{
    net::SambaConnection connection;
    connection.workgroup = "VELLOX";
    const char* dir = std::getenv("VELLOX_LOCAL_DC_DIR");
    if (!dir) {
        ADD_FAILURE() << "VELLOX_LOCAL_DC_DIR is not set; run the integration tests through ctest";
        return connection;
    }
    std::string error;
    std::optional<net::Credentials> admin = net::ReadAuthFile(std::string(dir) + "/admin.auth", error);
    if (!admin) {
        ADD_FAILURE() << "no administrator credentials: " << error;
        return connection;
    }
    connection.credentials = *admin;
    return connection;
}

class SambaDc : public ::testing::Test {
protected:
    net::SambaNetApi m_api{AdminConnection()};
};

template <class Record, class Field>
std::vector<std::string> NamesOf(const std::vector<Record>& records, Field field)
{
    std::vector<std::string> names;
    for (const Record& record : records)
        names.push_back(record.*field);
    std::sort(names.begin(), names.end());
    return names;
}

inline bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Seconds a call took.
template <class Call>
double SecondsOf(Call&& call)
{
    auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace vxtest
