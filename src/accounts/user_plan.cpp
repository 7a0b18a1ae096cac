#include "accounts/user_plan.h"

#include <algorithm>
#include <set>

namespace accounts {

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Entries of `from` that `other` lacks, split into global and local group names;
// indirect entries never count.
void Difference(const std::vector<std::string>& from, const std::vector<std::string>& other,
                std::vector<std::string>& global, std::vector<std::string>& local)
{
    const std::multiset<std::string> others(other.begin(), other.end());
    for (const std::string& entry : std::set<std::string>(from.begin(), from.end())) {
        if (IsIndirectEntry(entry) || others.count(entry))
            continue;
        (IsGlobalEntry(entry) ? global : local).push_back(GroupOfEntry(entry));
    }
}

}  // namespace

std::string NameOfRow(const std::string& row)
{
    const auto tab = row.find('\t');
    return tab == std::string::npos ? std::string() : row.substr(0, tab);
}

std::string GroupOfEntry(const std::string& entry)
{
    const auto blank = entry.find(' ');
    return blank == std::string::npos ? entry : entry.substr(blank + 1);
}

bool IsIndirectEntry(const std::string& entry)
{
    return entry.rfind(kIndirectMarker, 0) == 0;
}

bool IsGlobalEntry(const std::string& entry)
{
    return entry.rfind(kGlobalMarker, 0) == 0;
}

MembershipLists BuildMembershipLists(const MembershipReads& reads)
{
    MembershipLists lists;
    for (const std::string& name : reads.userGlobal)
        lists.memberOf.push_back(kGlobalMarker + name);
    for (const std::string& name : reads.userIndirect)
        lists.memberOf.push_back((Contains(reads.userDirect, name) ? kLocalMarker : kIndirectMarker) + name);
    for (const std::string& name : reads.allGlobal)
        if (!Contains(reads.userGlobal, name))
            lists.notMemberOf.push_back(kGlobalMarker + name);
    for (const std::string& name : reads.allLocal)
        if (!Contains(reads.userDirect, name))
            lists.notMemberOf.push_back(kLocalMarker + name);
    return lists;
}

CommitCheck PlanUserCommit(const net::USER_INFO_3& read, const UserEdits& edits, const std::string& placeholder,
                           const std::vector<std::string>& memberOfAtOpen, const std::vector<std::string>& memberOfNow,
                           UserCommit& commit)
{
    if (edits.passwordNeverExpires && edits.mustChangePassword)
        return CommitCheck::ConflictingOptions;
    // Any difference between the two fields is a mismatch, whichever holds the
    // placeholder: a password typed into Confirm Password alone must not be dropped.
    if (edits.password != edits.confirmPassword)
        return CommitCheck::PasswordsDiffer;
    const bool newPassword = edits.password != placeholder;

    commit = UserCommit{};
    net::USER_INFO_3& info = commit.info;
    net::UserFields& fields = commit.fields;
    info = read;
    info.usri3_full_name = edits.fullName;
    info.usri3_comment = edits.description;
    fields.fullName = edits.fullName != read.usri3_full_name;
    fields.comment = edits.description != read.usri3_comment;
    if (newPassword) {
        info.usri3_password = edits.password;
        fields.password = true;
    }
    info.usri3_password_expired = edits.mustChangePassword ? 1 : 0;
    fields.passwordExpired = edits.mustChangePassword != (read.usri3_password_expired != 0);

    const std::pair<std::uint32_t, bool> options[] = {
        {net::UF_ACCOUNTDISABLE, edits.accountDisabled},
        {net::UF_DONT_EXPIRE_PASSWD, edits.passwordNeverExpires},
        {net::UF_PASSWD_CANT_CHANGE, edits.cannotChangePassword},
        {net::UF_LOCKOUT, edits.lockedOut},
    };
    for (const auto& [bit, on] : options) {
        info.usri3_flags = on ? (info.usri3_flags | bit) : (info.usri3_flags & ~bit);
        if (on != ((read.usri3_flags & bit) != 0))
            fields.flags |= bit;
    }

    Difference(memberOfNow, memberOfAtOpen, commit.addGlobal, commit.addLocal);
    Difference(memberOfAtOpen, memberOfNow, commit.removeGlobal, commit.removeLocal);
    return CommitCheck::Ok;
}

}  // namespace accounts
