// DirectoryNetApi: writes of accounts and group memberships.
#include "platform/net/directory/directory_netapi.h"

#include "platform/net/directory/directory_netapi_parts.h"
#include "platform/net/net_support.h"

#include <ldap.h>

namespace net {

using namespace directory;
using namespace directory_parts;

namespace {

// The member value for a SID: the account's DN when the domain holds it, else the
// SID form, which the server resolves (or refuses).
std::string MemberValue(const std::vector<Entry>& found, const std::string& sidText)
{
    return found.empty() ? "<SID=" + sidText + ">" : found.front().dn;
}

}  // namespace

Status DirectoryNetApi::WritePassword(const std::string& dn, const std::string& password)
{
    if (!m_session->Encrypted())
        return ERROR_ACCESS_DENIED;  // unicodePwd travels only over a protected connection
    const auto value = EncodeUnicodePwd(password);
    if (!value)
        return ERROR_INVALID_PARAMETER;
    const int rc = m_session->Modify(dn, {{Modification::Replace, "unicodePwd", {*value}}});
    if (rc == LDAP_CONSTRAINT_VIOLATION || rc == LDAP_UNWILLING_TO_PERFORM)
        return NERR_PasswordTooShort;  // the domain's password policy refused it
    return StatusOf(rc);
}

Status DirectoryNetApi::UserSetInfo(const std::string& server, const std::string& user, const USER_INFO_3& asked,
                                    const UserFields& fields)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.UserSetInfo(server, user, asked, fields); });
    if (fields.Empty())
        return NERR_Success;
    return Call([&]() -> Status {
        Account account;
        Status status = FindUser(user, account, true);
        if (status != NERR_Success)
            return status;
        const Entry& e = account.entry;
        const std::int64_t now = Now();
        const USER_INFO_3 info = WithUserFields(ToUserInfo(e, now), asked, fields);
        std::int64_t pwdLastSet = e.Integer("pwdlastset");
        bool expired = PasswordExpired(pwdLastSet, m_policy->maxPwdAge, account.uac, now);
        // The password first: it is the write most likely to be refused (policy), and
        // then nothing else has changed.
        if (info.usri3_password) {
            status = WritePassword(account.dn, *info.usri3_password);
            if (status != NERR_Success)
                return status;
            pwdLastSet = UnixToFileTime(now);
            expired = false;
        }
        std::vector<Modification> mods;
        auto text = [&](const char* attribute, const std::string& lower, const std::string& wanted) {
            const auto current = e.Optional(lower);
            if (current.value_or(std::string()) == wanted)
                return;
            if (wanted.empty())
                mods.push_back({Modification::Replace, attribute, {}});
            else
                mods.push_back({Modification::Replace, attribute, {wanted}});
        };
        text("displayName", "displayname", info.usri3_full_name);
        text("description", "description", info.usri3_comment);
        const std::uint32_t uac = ComposeAccountControl(account.uac, info.usri3_flags);
        if (uac != account.uac)
            mods.push_back({Modification::Replace, "userAccountControl", {std::to_string(uac)}});
        if (IsLockedOut(e.Integer("lockouttime"), m_policy->lockoutDuration, now) && !(info.usri3_flags & UF_LOCKOUT))
            mods.push_back({Modification::Replace, "lockoutTime", {"0"}});
        const bool wantExpired = info.usri3_password_expired != 0;
        if (wantExpired && pwdLastSet != 0)
            mods.push_back({Modification::Replace, "pwdLastSet", {"0"}});
        else if (!wantExpired && expired)
            mods.push_back({Modification::Replace, "pwdLastSet", {"-1"}});
        if (!mods.empty()) {
            const int rc = m_session->Modify(account.dn, mods);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
        }
        const std::string sd = e.Text("ntsecuritydescriptor");
        const bool cannotChange = DeniesPasswordChange(sd);
        const bool wantCannotChange = (info.usri3_flags & UF_PASSWD_CANT_CHANGE) != 0;
        if (cannotChange != wantCannotChange) {
            const auto changed = WithPasswordChangeDenied(sd, wantCannotChange);
            if (!changed)
                return ERROR_UNEXP_NET_ERR;
            const int rc =
                m_session->Modify(account.dn, {{Modification::Replace, "nTSecurityDescriptor", {*changed}}}, true);
            if (rc != LDAP_SUCCESS)
                return StatusOf(rc);
        }
        return NERR_Success;
    });
}

Status DirectoryNetApi::GroupSetInfo(const std::string& server, const std::string& group, const GROUP_INFO_2& info)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupSetInfo(server, group, info); });
    return Call([&]() -> Status {
        Account account;
        const Status status = FindGroup(group, GroupKind::Global, account);
        if (status != NERR_Success)
            return status;
        Modification mod{Modification::Replace, "description", {}};
        if (!info.grpi2_comment.empty())
            mod.values.push_back(info.grpi2_comment);
        int rc = m_session->Modify(account.dn, {mod});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE && info.grpi2_comment.empty())
            rc = LDAP_SUCCESS;  // clearing a description that was never set
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::FindGroupAndUser(const std::string& group, const std::string& user, Account& g, Account& u)
{
    Status status = FindGroup(group, GroupKind::Global, g);
    if (status != NERR_Success)
        return status;
    return FindUser(user, u);
}

Status DirectoryNetApi::GroupAddUser(const std::string& server, const std::string& group, const std::string& user)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupAddUser(server, group, user); });
    return Call([&]() -> Status {
        Account g, u;
        if (const Status status = FindGroupAndUser(group, user, g, u))
            return status;
        if (u.primaryGroupId == RidOf(g.sid))
            return ERROR_MEMBER_IN_GROUP;
        const int rc = m_session->Modify(g.dn, {{Modification::Add, "member", {u.dn}}});
        if (rc == LDAP_TYPE_OR_VALUE_EXISTS || rc == LDAP_ALREADY_EXISTS)
            return ERROR_MEMBER_IN_GROUP;
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::GroupDelUser(const std::string& server, const std::string& group, const std::string& user)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.GroupDelUser(server, group, user); });
    return Call([&]() -> Status {
        Account g, u;
        if (const Status status = FindGroupAndUser(group, user, g, u))
            return status;
        if (u.primaryGroupId == RidOf(g.sid))
            return ERROR_MEMBERS_PRIMARY_GROUP;
        const int rc = m_session->Modify(g.dn, {{Modification::Delete, "member", {u.dn}}});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE || rc == LDAP_UNWILLING_TO_PERFORM)
            return ERROR_MEMBER_NOT_IN_GROUP;
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::FindLocalGroupAndMember(const std::string& group, const Sid& member, Account& g,
                                                std::string& value)
{
    const Status status = FindGroup(group, GroupKind::Local, g);
    if (status != NERR_Success)
        return status;
    const std::string filter = SidFilter(member.text);
    if (filter.empty())
        return ERROR_NO_SUCH_MEMBER;
    std::vector<Entry> found;
    const int rc = m_session->Search(m_baseDn, true, filter, {"objectClass"}, found);
    if (rc != LDAP_SUCCESS)
        return StatusOf(rc);
    if (found.empty() && DomainPartOf(member.text) == m_policy->domainSid)
        return ERROR_NO_SUCH_MEMBER;
    value = MemberValue(found, member.text);
    return NERR_Success;
}

Status DirectoryNetApi::LocalGroupAddMember(const std::string& server, const std::string& group, const Sid& member)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupAddMember(server, group, member); });
    return Call([&]() -> Status {
        Account g;
        std::string value;
        if (const Status status = FindLocalGroupAndMember(group, member, g, value))
            return status;
        const int rc = m_session->Modify(g.dn, {{Modification::Add, "member", {value}}});
        if (rc == LDAP_TYPE_OR_VALUE_EXISTS || rc == LDAP_ALREADY_EXISTS)
            return ERROR_MEMBER_IN_ALIAS;
        if (rc == LDAP_NO_SUCH_OBJECT)
            return ERROR_NO_SUCH_MEMBER;
        return StatusOf(rc);
    });
}

Status DirectoryNetApi::LocalGroupDelMember(const std::string& server, const std::string& group, const Sid& member)
{
    if (!IsOurs(server))
        return OnFallback([&](NetApi& api) { return api.LocalGroupDelMember(server, group, member); });
    return Call([&]() -> Status {
        Account g;
        std::string value;
        if (const Status status = FindLocalGroupAndMember(group, member, g, value))
            return status;
        const int rc = m_session->Modify(g.dn, {{Modification::Delete, "member", {value}}});
        if (rc == LDAP_NO_SUCH_ATTRIBUTE || rc == LDAP_UNWILLING_TO_PERFORM || rc == LDAP_NO_SUCH_OBJECT)
            return ERROR_MEMBER_NOT_IN_ALIAS;
        return StatusOf(rc);
    });
}

}  // namespace net
