// DirectoryNetApi: the domain, its controller and servers.
#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/net_support.h"

#include <ldap.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

// Role bits from the computer account alone.
std::uint32_t DerivedServerType(std::uint32_t uac, bool isPdc, const std::string& operatingSystem)
{
    std::uint32_t type = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    if (uac & UF_SERVER_TRUST_ACCOUNT) {
        type |= SV_TYPE_SERVER_NT | (isPdc ? SV_TYPE_DOMAIN_CTRL : SV_TYPE_DOMAIN_BAKCTRL);
    } else {
        const std::string os = LowerAscii(operatingSystem);
        if (os.find("server") != std::string::npos || os.find("samba") != std::string::npos)
            type |= SV_TYPE_SERVER_NT;
    }
    return type;
}

// What the servers themselves report (NetServerGetInfo level 101), asked through the
// fallback route side by side; no request starts after the time limit or once the
// browse is stopped, and answers that come after the time limit are dropped.
std::vector<std::optional<SERVER_INFO_101>> AskServers(const std::shared_ptr<NetApi>& fallback,
                                                       const std::vector<std::string>& names, int seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const auto ask = [fallback, names](std::size_t i) -> std::optional<SERVER_INFO_101> {
        SERVER_INFO_101 info;
        if (fallback->ServerGetInfo("\\\\" + names[i], info) != NERR_Success)
            return std::nullopt;
        return info;
    };
    return AskAtOnce<SERVER_INFO_101>(names.size(), kServersAtOnce, deadline, ask);
}

}  // namespace

Status DirectoryNetApi::GetDCName(const std::string& server, const std::string& domain, std::string& dcName)
{
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GetDCName(server, domain, dcName); });
    return Call([&]() -> Status {
        if (!domain.empty() && !EqualNoCase(domain, m_policy->netbiosName)) {
            const std::string dns =
                m_host.substr(m_host.find('.') == std::string::npos ? m_host.size() : m_host.find('.') + 1);
            if (!EqualNoCase(domain, dns))
                return NERR_DCNotFound;
        }
        if (m_policy->pdcName.empty())
            return NERR_DCNotFound;
        dcName = "\\\\" + m_policy->pdcName;
        return NERR_Success;
    });
}

Status DirectoryNetApi::DomainEnum(const std::string& server, std::vector<std::string>& out)
{
    out.clear();
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.DomainEnum(server, out); });
    return Call([&]() -> Status {
        out = {m_policy->netbiosName};
        std::vector<Entry> trusts;
        const int rc = m_session->Search(m_baseDn, true, "(objectClass=trustedDomain)", {"flatName"}, trusts);
        if (rc != LDAP_SUCCESS)
            return NERR_Success;  // the own domain still counts
        for (const Entry& t : trusts)
            if (!t.Text("flatname").empty())
                out.push_back(t.Text("flatname"));
        return NERR_Success;
    });
}

Status DirectoryNetApi::ServerEnum(const std::string& server, std::uint32_t serverType, const std::string& domain,
                                   std::vector<SERVER_INFO_101>& out, std::uint32_t& totalEntries)
{
    out.clear();
    totalEntries = 0;
    if (!server.empty() && !IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.ServerEnum(server, serverType, domain, out, totalEntries); });
    std::vector<Entry> computers;
    std::string pdc;
    bool otherDomain = false;
    const Status status = Call([&]() -> Status {
        if (!domain.empty() && !EqualNoCase(domain, m_policy->netbiosName)) {
            otherDomain = true;
            return NERR_Success;
        }
        pdc = m_policy->pdcName;
        computers.clear();
        return StatusOf(m_session->Search(m_baseDn, true, "(objectCategory=computer)",
                                          {"sAMAccountName", "userAccountControl", "operatingSystem",
                                           "operatingSystemVersion", "description", "dNSHostName"},
                                          computers));
    });
    if (otherDomain)
        return OnFallback([&](NetApi& api) { return api.ServerEnum(server, serverType, domain, out, totalEntries); },
                          NERR_DCNotFound);
    if (status != NERR_Success)
        return status;
    std::vector<SERVER_INFO_101> all;
    std::vector<std::string> addresses;
    for (const auto& c : computers) {
        SERVER_INFO_101 info;
        std::string name = c.Text("samaccountname");
        if (!name.empty() && name.back() == '$')
            name.pop_back();
        info.sv101_name = UpperAscii(name);
        const auto uac = static_cast<std::uint32_t>(c.Integer("useraccountcontrol"));
        info.sv101_type = DerivedServerType(uac, EqualNoCase(info.sv101_name, pdc), c.Text("operatingsystem"));
        const std::string version = c.Text("operatingsystemversion");
        info.sv101_version_major = static_cast<std::uint32_t>(std::strtoul(version.c_str(), nullptr, 10));
        if (const auto dot = version.find('.'); dot != std::string::npos)
            info.sv101_version_minor = static_cast<std::uint32_t>(std::strtoul(version.c_str() + dot + 1, nullptr, 10));
        info.sv101_comment = c.Text("description");
        addresses.push_back(c.Text("dnshostname").empty() ? name : c.Text("dnshostname"));
        all.push_back(info);
    }
    if (m_fallback && !all.empty()) {
        const auto answers = AskServers(m_fallback, addresses, m_options.serverInfoSeconds);
        constexpr std::uint32_t kRoles = SV_TYPE_DOMAIN_CTRL | SV_TYPE_DOMAIN_BAKCTRL;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!answers[i])
                continue;
            // The account kind decides the controller roles (a Samba DC doesn't report them).
            all[i].sv101_type = (answers[i]->sv101_type & ~kRoles) | (all[i].sv101_type & kRoles);
            all[i].sv101_version_major = answers[i]->sv101_version_major;
            all[i].sv101_version_minor = answers[i]->sv101_version_minor;
            if (!answers[i]->sv101_comment.empty())
                all[i].sv101_comment = answers[i]->sv101_comment;
        }
    }
    for (auto& info : all)
        if (info.sv101_type & serverType)
            out.push_back(std::move(info));
    std::sort(out.begin(), out.end(), [](const SERVER_INFO_101& a, const SERVER_INFO_101& b) {
        return LessNoCase(a.sv101_name, b.sv101_name);
    });
    totalEntries = static_cast<std::uint32_t>(out.size());
    return NERR_Success;
}

Status DirectoryNetApi::ServerGetInfo(const std::string& server, SERVER_INFO_101& out)
{
    return OnFallback([&](NetApi& api) { return api.ServerGetInfo(server, out); }, ERROR_NOT_SUPPORTED);
}

Status DirectoryNetApi::ShareEnum(const std::string& server, std::vector<SHARE_INFO_1>& out)
{
    return OnFallback([&](NetApi& api) { return api.ShareEnum(server, out); }, ERROR_NOT_SUPPORTED);
}

}  // namespace net
