#include "enum/files_owners.h"

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

void FilesOwners(const std::string& root, const files::WalkOptions& options, ResultTable& table,
                 const std::stop_token& stop)
{
    // The walk checks a plain stop mark between entries; a stop request sets it.
    std::atomic<bool> stopMark = stop.stop_requested();
    std::stop_callback onStop(stop, [&stopMark] { stopMark = true; });
    files::WalkOwners(
        root, options,
        [&table](const files::Owner& owner, std::uint64_t bytes) { AddOwnerBytes(bytes, OwnerText(owner), table); },
        stopMark);
}
