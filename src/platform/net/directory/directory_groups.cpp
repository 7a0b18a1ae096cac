// DirectoryNetApi: reads of global and local groups.
#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/net_support.h"

#include <ldap.h>

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_map>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

const std::vector<std::string> kGroupAttributes = {"sAMAccountName", "description", "objectSid", "member"};
enum GroupAttribute : int { kGroupName, kGroupDescription, kGroupSid, kGroupMember };
// The accounts a group's member values and primary-group members name: users and
// computers (a group member that is a global group is named by the groups' own search).
const std::string kAccountNameFilter = "(objectClass=user)";
const std::vector<std::string> kAccountNameAttributes = {"sAMAccountName", "primaryGroupID"};

// A global group of a GROUPS browse as its entry arrives: the level-2 record and the
// member values.
struct GroupRead {
    GROUP_INFO_2 info;
    std::string dn;
    std::vector<std::string> members;
    long rangeEnd = -1;  // the last index of a ranged answer; -1 whole, -2 its last range
};

class GroupReader final : public EntrySink {
public:
    explicit GroupReader(std::vector<GroupRead>& out) : m_out(out) { }
    void Take(const EntryView& entry) override
    {
        GroupRead group;
        group.dn = entry.dn;
        group.info.grpi2_attributes = SE_GROUP_DEFAULT_ATTRIBUTES;
        bool seen[4] = {};
        for (std::size_t i = 0; i < entry.count; ++i) {
            const AttributeView& attribute = entry.attributes[i];
            const int at = m_index.Of(i, attribute.name);
            if (at < 0 || seen[at])
                continue;
            seen[at] = true;
            if (at == kGroupName)
                group.info.grpi2_name = First(attribute);
            else if (at == kGroupDescription)
                group.info.grpi2_comment = First(attribute);
            else if (at == kGroupSid)
                group.info.grpi2_group_id = RidOf(SidToString(First(attribute)).value_or(std::string()));
            else {
                group.members.assign(attribute.values.begin(), attribute.values.end());
                group.rangeEnd = attribute.rangeEnd;
            }
        }
        m_out.push_back(std::move(group));
    }
    void Restart() override { m_out.clear(); }

private:
    std::vector<GroupRead>& m_out;
    AttributeIndex m_index{kGroupAttributes};
};

// Hashes and compares std::string keys with std::string_view lookups.
struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// The account names a GROUPS browse needs, from one search of every account: those of
// the member values asked for, and the accounts whose primary group is one of the
// groups (they have no member value).
class AccountNameReader final : public EntrySink {
public:
    using Names = std::unordered_map<std::string, std::optional<std::string>, TransparentHash, std::equal_to<>>;
    using Primary = std::unordered_map<std::uint32_t, std::vector<std::string>>;

    AccountNameReader(Names& byDn, Primary& byPrimaryGroup) : m_byDn(byDn), m_byPrimaryGroup(byPrimaryGroup) { }
    void Take(const EntryView& entry) override
    {
        std::string_view name, primaryGroup;
        for (std::size_t i = 0; i < entry.count; ++i) {
            const int at = m_index.Of(i, entry.attributes[i].name);
            if (at == 0 && name.data() == nullptr)
                name = First(entry.attributes[i]);
            else if (at == 1 && primaryGroup.data() == nullptr)
                primaryGroup = First(entry.attributes[i]);
        }
        if (name.data() == nullptr)
            return;
        if (const auto found = m_byDn.find(entry.dn); found != m_byDn.end())
            found->second.emplace(name);
        if (const auto rid = ParseInteger(primaryGroup)) {
            if (const auto group = m_byPrimaryGroup.find(static_cast<std::uint32_t>(*rid));
                group != m_byPrimaryGroup.end())
                group->second.emplace_back(name);
        }
    }
    void Restart() override
    {
        for (auto& [dn, name] : m_byDn)
            name.reset();
        for (auto& [rid, names] : m_byPrimaryGroup)
            names.clear();
    }

private:
    Names& m_byDn;
    Primary& m_byPrimaryGroup;
    AttributeIndex m_index{kAccountNameAttributes};
};

}  // namespace

std::vector<BrowseSearch> directory::GroupsBrowseSearches()
{
    return {{kGlobalGroupFilter, kGroupAttributes}, {kAccountNameFilter, kAccountNameAttributes}};
}

Status DirectoryNetApi::GroupEnum(const std::string& server, std::vector<GROUP_INFO_2>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupEnum(server, out); });
    return Call([&]() -> Status {
        out.clear();
        std::vector<Entry> entries;
        const int rc = m_session->Search(m_baseDn, true, kGlobalGroupFilter,
                                         {"sAMAccountName", "description", "objectSid"}, entries);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        for (const auto& e : entries)
            out.push_back(
                {e.Text("samaccountname"), e.Text("description"), RidOf(SidOf(e)), SE_GROUP_DEFAULT_ATTRIBUTES});
        std::sort(out.begin(), out.end(),
                  [](const GROUP_INFO_2& a, const GROUP_INFO_2& b) { return LessNoCase(a.grpi2_name, b.grpi2_name); });
        return NERR_Success;
    });
}

Status DirectoryNetApi::GroupGetInfo(const std::string& server, const std::string& group, GROUP_INFO_2& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupGetInfo(server, group, out); });
    return Call([&]() -> Status {
        Account account;
        const Status status = FindGroup(group, GroupKind::Global, account);
        if (status != NERR_Success)
            return status;
        std::vector<Entry> entries;
        const int rc = m_session->Search(account.dn, false, "(objectClass=*)", {"description"}, entries);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
        out.grpi2_name = account.name;
        out.grpi2_comment = entries.empty() ? std::string() : entries.front().Text("description");
        out.grpi2_group_id = RidOf(account.sid);
        out.grpi2_attributes = SE_GROUP_DEFAULT_ATTRIBUTES;
        return NERR_Success;
    });
}

Status DirectoryNetApi::GroupGetUsers(const std::string& server, const std::string& group,
                                      std::vector<GROUP_USERS_INFO_0>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupGetUsers(server, group, out); });
    return Call([&]() -> Status {
        out.clear();
        Account account;
        Status status = FindGroup(group, GroupKind::Global, account, true);
        if (status != NERR_Success)
            return status;
        // The names of the member values, and of the accounts whose primary group this
        // is (members without a member value), asked together in the first search.
        std::string any = "(&(objectClass=user)(primaryGroupID=" + std::to_string(RidOf(account.sid)) + "))";
        const std::vector<std::string> none;
        const auto* dns = account.entry.All("member");
        const std::vector<std::string>& values = dns ? *dns : none;
        std::vector<Entry> members;
        std::size_t at = 0;
        do {
            for (std::size_t end = std::min(values.size(), at + kOrChunk); at < end; ++at)
                any += "(distinguishedName=" + EscapeFilterValue(values[at]) + ")";
            const int rc = m_session->Search(m_baseDn, true, "(|" + any + ")", {"sAMAccountName"}, members);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
            any.clear();
        } while (at < values.size());
        std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
        for (const auto& m : members)
            if (const auto name = m.Optional("samaccountname"))
                names.insert(*name);
        for (const auto& n : names)
            out.push_back({n});
        return NERR_Success;
    });
}

Status DirectoryNetApi::ReadGroupsWithUsers(std::vector<GroupWithUsers>& out)
{
    // The groups with their member values, then the names of every user and computer
    // in one search: two searches instead of two per group.
    std::vector<GroupRead> groups;
    {
        GroupReader reader(groups);
        const int rc = m_session->Search(m_baseDn, true, kGlobalGroupFilter, kGroupAttributes, reader);
        if (rc != LDAP_SUCCESS)
            return StatusOf(rc);
    }
    std::sort(groups.begin(), groups.end(),
              [](const GroupRead& a, const GroupRead& b) { return LessNoCase(a.info.grpi2_name, b.info.grpi2_name); });
    out.resize(groups.size());
    AccountNameReader::Names byDn;
    AccountNameReader::Primary byPrimaryGroup;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        GroupRead& group = groups[i];
        out[i].group = group.info;
        out[i].status = NERR_Success;
        if (group.rangeEnd >= 0) {
            // More members than one answer holds: read the rest, from where it stopped.
            const int rc = m_session->ReadRestOfRange(group.dn, "member", group.rangeEnd, group.members);
            if (rc != LDAP_SUCCESS) {
                out[i].status = StatusOf(rc);
                if (m_session->Broken() || rc == LDAP_USER_CANCELLED)
                    return out[i].status;
                continue;
            }
        }
        for (const auto& dn : group.members)
            byDn.try_emplace(dn);
        byPrimaryGroup.try_emplace(group.info.grpi2_group_id);
    }
    AccountNameReader reader(byDn, byPrimaryGroup);
    const int rc = m_session->Search(m_baseDn, true, kAccountNameFilter, kAccountNameAttributes, reader);
    if (rc == LDAP_USER_CANCELLED)
        return StatusOf(rc);  // stopped: not a list of groups without members
    if (rc != LDAP_SUCCESS) {
        for (auto& group : out)
            if (group.status == NERR_Success)
                group.status = StatusOf(rc);
        return NERR_Success;  // the groups without their members, as when each group's query fails
    }
    for (const auto& group : groups)
        if (const auto member = byDn.find(group.dn); member != byDn.end())
            member->second = group.info.grpi2_name;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (out[i].status != NERR_Success)
            continue;
        std::set<std::string, decltype(&LessNoCase)> names(&LessNoCase);
        // Member values that named no account above (objects without an account name,
        // or a DN the server spelled otherwise) are asked for as GroupGetUsers does.
        std::vector<const std::string*> unnamed;
        for (const auto& dn : groups[i].members) {
            if (const auto& name = byDn.find(dn)->second)
                names.insert(*name);
            else
                unnamed.push_back(&dn);
        }
        const auto& primary = byPrimaryGroup.find(groups[i].info.grpi2_group_id)->second;
        names.insert(primary.begin(), primary.end());
        std::vector<Entry> found;
        for (std::size_t at = 0; at < unnamed.size() && out[i].status == NERR_Success;) {
            std::string any;
            for (const std::size_t end = std::min(unnamed.size(), at + kOrChunk); at < end; ++at)
                any += "(distinguishedName=" + EscapeFilterValue(*unnamed[at]) + ")";
            const int more = m_session->Search(m_baseDn, true, "(|" + any + ")", {"sAMAccountName"}, found);
            if (more != LDAP_SUCCESS)
                out[i].status = StatusOf(more);
        }
        if (out[i].status != NERR_Success)
            continue;
        for (const auto& e : found)
            if (const auto name = e.Optional("samaccountname"))
                names.insert(*name);
        for (const auto& name : names)
            out[i].users.push_back({name});
    }
    return NERR_Success;
}

Status DirectoryNetApi::GroupEnumWithUsers(const std::string& server, std::vector<GroupWithUsers>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupEnumWithUsers(server, out); });
    return Call([&]() -> Status {
        out.clear();
        return ReadGroupsWithUsers(out);
    });
}

Status DirectoryNetApi::ReadLocalGroups(std::vector<LOCALGROUP_INFO_1>& out)
{
    std::vector<Entry> entries;
    const int rc =
        m_session->Search(m_baseDn, true, kLocalGroupFilter, {"sAMAccountName", "description", "groupType"}, entries);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    // Builtin groups first, then the domain's own, each by name.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool ab = a.Integer("grouptype") & GROUP_TYPE_BUILTIN;
        const bool bb = b.Integer("grouptype") & GROUP_TYPE_BUILTIN;
        if (ab != bb)
            return ab;
        return LessNoCase(a.Text("samaccountname"), b.Text("samaccountname"));
    });
    for (const auto& e : entries)
        out.push_back({e.Text("samaccountname"), e.Text("description")});
    return NERR_Success;
}

Status DirectoryNetApi::LocalGroupEnum(const std::string& server, std::vector<LOCALGROUP_INFO_1>& out)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupEnum(server, out); });
    return Call([&]() -> Status {
        out.clear();
        return ReadLocalGroups(out);
    });
}

}  // namespace net
