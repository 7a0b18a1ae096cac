#include "platform/net/directory/directory_logon.h"

#include "platform/net/net_support.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace net {

bool IsAddress(const std::string& host)
{
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    unsigned char buffer[16];
    return inet_pton(AF_INET, bare.c_str(), buffer) == 1 || inet_pton(AF_INET6, bare.c_str(), buffer) == 1;
}

std::vector<LogonWay> PlanDirectoryLogon(const std::string& named, const std::string& dnsHostName, bool havePassword,
                                         bool haveTicket)
{
    std::vector<LogonWay> ways;
    if (named.empty())
        return ways;
    // The service name needs a DNS name: the rootDSE's, else the one the user gave.
    const std::string service = !dnsHostName.empty() ? dnsHostName : IsAddress(named) ? std::string() : named;
    if (havePassword) {
        if (!service.empty())
            ways.push_back({DirectoryBind::KerberosPassword, named, service});
        if (!IsAddress(named))
            ways.push_back({DirectoryBind::Ldaps, named, named});
    } else if (haveTicket && !service.empty()) {
        ways.push_back({DirectoryBind::KerberosCache, named, service});
    }
    return ways;
}

std::string RealmOfDirectory(const std::string& ldapServiceName, const std::string& namingContext,
                             const std::string& domain)
{
    if (const auto at = ldapServiceName.rfind('@'); at != std::string::npos && at + 1 < ldapServiceName.size())
        return UpperAscii(ldapServiceName.substr(at + 1));
    std::string realm;
    std::size_t pos = 0;
    const std::string upper = UpperAscii(namingContext);
    while ((pos = upper.find("DC=", pos)) != std::string::npos) {
        const auto end = upper.find(',', pos);
        if (!realm.empty())
            realm += '.';
        realm += upper.substr(pos + 3, end == std::string::npos ? std::string::npos : end - pos - 3);
        pos += 3;
    }
    return !realm.empty() ? realm : UpperAscii(domain);
}

std::string DescribeBind(DirectoryBind bind)
{
    switch (bind) {
    case DirectoryBind::KerberosPassword:
        return "Kerberos with the password";
    case DirectoryBind::KerberosCache:
        return "Kerberos with the ticket cache";
    case DirectoryBind::Ldaps:
        return "LDAPS";
    }
    return {};
}

}  // namespace net
