#include "enum/files_owners.h"

#include "platform/net/credentials.h"
#include "platform/net/samba_config.h"
#include "res/browse_strings.h"
#include "res/files_strings.h"

#include <atomic>
#include <cstdio>

std::string OwnerText(const files::Owner& owner)
{
    using files::OwnerKind;
    switch (owner.kind) {
    case OwnerKind::Name:
        return owner.name;
    case OwnerKind::DirlistDenied:
        return res::STR_DIRLIST_DENIED;
    case OwnerKind::AccessDenied:
        return res::STR_ACCESS_DENIED;
    case OwnerKind::ErrorNumber: {
        char text[32];
        std::snprintf(text, sizeof text, res::STR_OWNER_ERROR_FORMAT, owner.error);
        return text;
    }
    case OwnerKind::Unknown:
        return res::STR_OWNER_UNKNOWN;
    case OwnerKind::NullSid:
        return res::STR_OWNER_NULL_SID;
    case OwnerKind::AccountDeleted:
        return res::STR_OWNER_ACCOUNT_DELETED;
    }
    return res::STR_OWNER_UNKNOWN;
}

namespace {

files::SmbCredentials FromNet(const net::Credentials& credentials)
{
    return {credentials.user, credentials.domain, credentials.password};
}

}  // namespace

files::SmbCredentials SmbWalkCredentials(const std::string& authFile, std::string& error)
{
    error.clear();
    if (!authFile.empty()) {
        const std::optional<net::Credentials> fromFile = net::ReadAuthFile(authFile, error);
        return fromFile ? FromNet(*fromFile) : files::SmbCredentials{};
    }
    if (net::HasKerberosTicket())
        return {};
    const std::optional<net::Credentials> answer = net::AskLogonOnce(net::LocalDomainFromSambaConfig());
    return answer ? FromNet(*answer) : files::SmbCredentials{};
}

files::WalkResult FilesOwners(const std::string& root, const files::WalkOptions& options, ResultTable& table,
                              const std::stop_token& stop)
{
    // The walk checks a plain stop mark between entries; a stop request sets it.
    std::atomic<bool> stopMark = stop.stop_requested();
    std::stop_callback onStop(stop, [&stopMark] { stopMark = true; });
    return files::WalkOwners(
        root, options,
        [&table](const files::Owner& owner, std::uint64_t bytes) { AddOwnerBytes(bytes, OwnerText(owner), table); },
        stopMark);
}
