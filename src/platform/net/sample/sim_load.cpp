// Reads the sample network from its JSON form (described in data/README.md).
#include "platform/net/sample/sim_model.h"

#include "platform/net/net_support.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace net::sim {
namespace {

struct LoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FlagName {
    const char* name;
    std::uint32_t bit;
};

constexpr FlagName kUserFlags[] = {
    {"UF_SCRIPT", UF_SCRIPT},
    {"UF_ACCOUNTDISABLE", UF_ACCOUNTDISABLE},
    {"UF_HOMEDIR_REQUIRED", UF_HOMEDIR_REQUIRED},
    {"UF_LOCKOUT", UF_LOCKOUT},
    {"UF_PASSWD_NOTREQD", UF_PASSWD_NOTREQD},
    {"UF_PASSWD_CANT_CHANGE", UF_PASSWD_CANT_CHANGE},
    {"UF_TEMP_DUPLICATE_ACCOUNT", UF_TEMP_DUPLICATE_ACCOUNT},
    {"UF_NORMAL_ACCOUNT", UF_NORMAL_ACCOUNT},
    {"UF_INTERDOMAIN_TRUST_ACCOUNT", UF_INTERDOMAIN_TRUST_ACCOUNT},
    {"UF_WORKSTATION_TRUST_ACCOUNT", UF_WORKSTATION_TRUST_ACCOUNT},
    {"UF_SERVER_TRUST_ACCOUNT", UF_SERVER_TRUST_ACCOUNT},
    {"UF_DONT_EXPIRE_PASSWD", UF_DONT_EXPIRE_PASSWD},
};

constexpr FlagName kServerTypes[] = {
    {"SV_TYPE_WORKSTATION", SV_TYPE_WORKSTATION},
    {"SV_TYPE_SERVER", SV_TYPE_SERVER},
    {"SV_TYPE_SQLSERVER", SV_TYPE_SQLSERVER},
    {"SV_TYPE_DOMAIN_CTRL", SV_TYPE_DOMAIN_CTRL},
    {"SV_TYPE_DOMAIN_BAKCTRL", SV_TYPE_DOMAIN_BAKCTRL},
    {"SV_TYPE_TIME_SOURCE", SV_TYPE_TIME_SOURCE},
    {"SV_TYPE_AFP", SV_TYPE_AFP},
    {"SV_TYPE_NOVELL", SV_TYPE_NOVELL},
    {"SV_TYPE_DOMAIN_MEMBER", SV_TYPE_DOMAIN_MEMBER},
    {"SV_TYPE_PRINTQ_SERVER", SV_TYPE_PRINTQ_SERVER},
    {"SV_TYPE_DIALIN_SERVER", SV_TYPE_DIALIN_SERVER},
    {"SV_TYPE_XENIX_SERVER", SV_TYPE_XENIX_SERVER},
    {"SV_TYPE_NT", SV_TYPE_NT},
    {"SV_TYPE_WFW", SV_TYPE_WFW},
    {"SV_TYPE_SERVER_MFPN", SV_TYPE_SERVER_MFPN},
    {"SV_TYPE_SERVER_NT", SV_TYPE_SERVER_NT},
    {"SV_TYPE_POTENTIAL_BROWSER", SV_TYPE_POTENTIAL_BROWSER},
    {"SV_TYPE_BACKUP_BROWSER", SV_TYPE_BACKUP_BROWSER},
    {"SV_TYPE_MASTER_BROWSER", SV_TYPE_MASTER_BROWSER},
    {"SV_TYPE_DOMAIN_MASTER", SV_TYPE_DOMAIN_MASTER},
    {"SV_TYPE_SERVER_OSF", SV_TYPE_SERVER_OSF},
    {"SV_TYPE_SERVER_VMS", SV_TYPE_SERVER_VMS},
};

constexpr FlagName kShareTypes[] = {
    {"disk", STYPE_DISKTREE},
    {"printer", STYPE_PRINTQ},
    {"device", STYPE_DEVICE},
    {"ipc", STYPE_IPC},
};

// Where in the file a value sits, for messages ("domain VELLOX, user \"jdoe\"").
using Place = std::string;

[[noreturn]] void Fail(const Place& place, const std::string& what)
{
    throw LoadError(place.empty() ? what : place + ": " + what);
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

QJsonObject ObjectAt(const QJsonValue& value, const Place& place)
{
    if (!value.isObject())
        Fail(place, "expected an object");
    return value.toObject();
}

QJsonArray ArrayOf(const QJsonObject& obj, const char* key, const Place& place)
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        Fail(place, std::string(key) + " must be an array");
    return value.toArray();
}

std::string StringOf(const QJsonObject& obj, const char* key, const Place& place, const std::string& fallback = {})
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (!value.isString())
        Fail(place, std::string(key) + " must be a string");
    return value.toString().toStdString();
}

std::string RequiredString(const QJsonObject& obj, const char* key, const Place& place)
{
    const std::string text = StringOf(obj, key, place);
    if (text.empty())
        Fail(place, std::string("missing ") + key);
    return text;
}

// An account or domain name: "DOMAIN\\name" names an account, so neither part may hold
// a backslash, or the account could be listed but never found by its name.
std::string NameOf(const QJsonObject& obj, const Place& place)
{
    const std::string name = RequiredString(obj, "name", place);
    if (name.find('\\') != std::string::npos)
        Fail(place, "a name has no backslash, got " + Quoted(name));
    return name;
}

std::uint32_t NumberOf(const QJsonValue& value, const char* key, const Place& place)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > 4294967295.0 || std::floor(number) != number)
        Fail(place, std::string(key) + " must be a whole number from 0 to 4294967295");
    return static_cast<std::uint32_t>(number);
}

std::uint32_t UIntOf(const QJsonObject& obj, const char* key, const Place& place, std::uint32_t fallback)
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    return NumberOf(value, key, place);
}

bool BoolOf(const QJsonObject& obj, const char* key, const Place& place, bool fallback)
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (!value.isBool())
        Fail(place, std::string(key) + " must be true or false");
    return value.toBool();
}

// A bit set given as a number or as an array of bit names.
template <std::size_t N>
std::uint32_t BitsOf(const QJsonObject& obj, const char* key, const Place& place, const FlagName (&names)[N],
                     std::uint32_t fallback)
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (!value.isArray())
        return NumberOf(value, key, place);
    std::uint32_t bits = 0;
    for (const QJsonValue& item : value.toArray()) {
        const std::string name = item.toString().toStdString();
        const auto* found =
            std::find_if(std::begin(names), std::end(names), [&](const FlagName& f) { return name == f.name; });
        if (found == std::end(names))
            Fail(place, std::string("unknown ") + key + " name " + Quoted(name));
        bits |= found->bit;
    }
    return bits;
}

// A time in seconds since 1970 (UTC): a number, or an ISO 8601 text (UTC unless it
// names an offset). `never` is what the text "never" and an absent value give.
std::uint32_t TimeOf(const QJsonObject& obj, const char* key, const Place& place, std::uint32_t never)
{
    const QJsonValue value = obj.value(key);
    if (value.isUndefined() || value.isNull())
        return never;
    if (!value.isString())
        return NumberOf(value, key, place);
    const QString text = value.toString();
    if (text == QLatin1String("never"))
        return never;
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (when.isValid() && when.timeSpec() == Qt::LocalTime)
        when = QDateTime(when.date(), when.time(), Qt::UTC);
    const qint64 seconds = when.isValid() ? when.toSecsSinceEpoch() : -1;
    if (seconds < 0 || seconds >= 0xFFFFFFFFll)
        Fail(place,
             std::string(key) + " must be a date such as 1998-03-02T09:15:00Z, got " + Quoted(text.toStdString()));
    return static_cast<std::uint32_t>(seconds);
}

// A storage quota in bytes; -1 (or "unlimited") is no limit.
std::uint32_t QuotaOf(const QJsonObject& obj, const Place& place)
{
    const QJsonValue value = obj.value("maxStorage");
    if (value.isUndefined() || value.isNull() || value.toString() == QLatin1String("unlimited") ||
        (value.isDouble() && value.toDouble() == -1))
        return USER_MAXSTORAGE_UNLIMITED;
    return NumberOf(value, "maxStorage", place);
}

std::vector<std::uint8_t> LogonHoursOf(const QJsonObject& obj, const Place& place)
{
    const std::string hex = StringOf(obj, "logonHours", place, std::string(42, 'F'));
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(hex));
    if (hex.size() != 42 || bytes.size() != 21 ||
        !std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        Fail(place, "logonHours must be 42 hexadecimal digits (21 bytes, one bit per hour of the week)");
    return {bytes.begin(), bytes.end()};
}

std::uint32_t PrivilegeOf(const QJsonObject& obj, const Place& place)
{
    const std::string priv = StringOf(obj, "priv", place, "user");
    if (priv == "guest")
        return USER_PRIV_GUEST;
    if (priv == "user")
        return USER_PRIV_USER;
    if (priv == "admin")
        return USER_PRIV_ADMIN;
    Fail(place, "priv must be guest, user or admin, got " + Quoted(priv));
}

void CheckNewName(const Domain& domain, const std::string& name, const Place& place)
{
    if (domain.userByName.count(name) || domain.groupByName.count(name) || domain.localGroupByName.count(name))
        Fail(place, "the name " + Quoted(name) + " is used twice in domain " + domain.name);
}

void CheckNewRid(const Domain& domain, std::uint32_t rid, const Place& place)
{
    const bool aliasRid = std::any_of(domain.localGroups.begin(), domain.localGroups.end(),
                                      [&](const auto& entry) { return !entry.second.builtin && entry.first == rid; });
    if (rid == 0 || domain.users.count(rid) || domain.groups.count(rid) || aliasRid)
        Fail(place, "rid " + std::to_string(rid) + " is missing or used twice in domain " + domain.name);
}

User ParseUser(const QJsonObject& obj, const Place& place)
{
    User user;
    USER_INFO_3& u = user.info;
    u.usri3_name = NameOf(obj, place);
    u.usri3_user_id = UIntOf(obj, "rid", place, 0);
    u.usri3_full_name = StringOf(obj, "fullName", place);
    u.usri3_comment = StringOf(obj, "comment", place);
    u.usri3_usr_comment = StringOf(obj, "usrComment", place);
    u.usri3_flags = BitsOf(obj, "flags", place, kUserFlags, UF_SCRIPT | UF_NORMAL_ACCOUNT);
    u.usri3_priv = PrivilegeOf(obj, place);
    u.usri3_password_age = UIntOf(obj, "passwordAge", place, 30 * 86400);
    u.usri3_password_expired = u.usri3_password_age == 0 ? 1 : 0;
    u.usri3_last_logon = TimeOf(obj, "lastLogon", place, 0);
    u.usri3_last_logoff = TimeOf(obj, "lastLogoff", place, 0);
    u.usri3_acct_expires = TimeOf(obj, "acctExpires", place, TIMEQ_FOREVER);
    u.usri3_num_logons = UIntOf(obj, "numLogons", place, 0);
    u.usri3_bad_pw_count = UIntOf(obj, "badPwCount", place, 0);
    u.usri3_max_storage = QuotaOf(obj, place);
    u.usri3_home_dir = StringOf(obj, "homeDir", place);
    u.usri3_home_dir_drive = StringOf(obj, "homeDirDrive", place);
    u.usri3_script_path = StringOf(obj, "script", place);
    u.usri3_workstations = StringOf(obj, "workstations", place);
    u.usri3_parms = StringOf(obj, "parms", place);
    u.usri3_logon_server = StringOf(obj, "logonServer", place, "\\\\*");
    u.usri3_auth_flags = UIntOf(obj, "authFlags", place, 0);
    u.usri3_country_code = UIntOf(obj, "countryCode", place, 0);
    u.usri3_code_page = UIntOf(obj, "codePage", place, 0);
    u.usri3_units_per_week = UIntOf(obj, "unitsPerWeek", place, 168);
    u.usri3_logon_hours = LogonHoursOf(obj, place);
    u.usri3_primary_group_id = UIntOf(obj, "primaryGroup", place, DOMAIN_GROUP_RID_USERS);
    // An absent profile and an empty one are different answers.
    const QJsonValue profile = obj.value("profile");
    if (profile.isString())
        u.usri3_profile = profile.toString().toStdString();
    else if (!profile.isUndefined() && !profile.isNull())
        Fail(place, "profile must be a string");
    return user;
}

void ParseUsers(const QJsonObject& obj, Domain& domain, const Place& place)
{
    for (const QJsonValue& value : ArrayOf(obj, "users", place)) {
        const QJsonObject userObj = ObjectAt(value, place + ", a user");
        const Place userPlace = place + ", user " + Quoted(StringOf(userObj, "name", place + ", a user"));
        User user = ParseUser(userObj, userPlace);
        const std::uint32_t rid = user.info.usri3_user_id;
        CheckNewName(domain, user.info.usri3_name, userPlace);
        CheckNewRid(domain, rid, userPlace);
        domain.userByName[user.info.usri3_name] = rid;
        domain.users.emplace(rid, std::move(user));
    }
}

void ParseGroups(const QJsonObject& obj, Domain& domain, const Place& place)
{
    for (const QJsonValue& value : ArrayOf(obj, "groups", place)) {
        const QJsonObject groupObj = ObjectAt(value, place + ", a group");
        Group group;
        group.name = NameOf(groupObj, place + ", a group");
        const Place groupPlace = place + ", group " + Quoted(group.name);
        group.rid = UIntOf(groupObj, "rid", groupPlace, 0);
        group.comment = StringOf(groupObj, "comment", groupPlace);
        group.attributes = UIntOf(groupObj, "attributes", groupPlace, SE_GROUP_DEFAULT_ATTRIBUTES);
        for (const QJsonValue& member : ArrayOf(groupObj, "members", groupPlace)) {
            const auto user = domain.userByName.find(member.toString().toStdString());
            if (user == domain.userByName.end())
                Fail(groupPlace, "member " + Quoted(member.toString().toStdString()) + " is no user of the domain");
            group.members.insert(user->second);
        }
        CheckNewName(domain, group.name, groupPlace);
        CheckNewRid(domain, group.rid, groupPlace);
        domain.groupByName[group.name] = group.rid;
        domain.groups.emplace(group.rid, std::move(group));
    }
}

// Every user is a member of its primary group.
void AddPrimaryMemberships(Domain& domain, const Place& place)
{
    for (const auto& [rid, user] : domain.users) {
        const auto group = domain.groups.find(user.info.usri3_primary_group_id);
        if (group == domain.groups.end())
            Fail(place + ", user " + Quoted(user.info.usri3_name),
                 "primaryGroup " + std::to_string(user.info.usri3_primary_group_id) + " is no group of the domain");
        group->second.members.insert(rid);
    }
}

// Local groups; their members are resolved once every domain is read.
void ParseLocalGroups(const QJsonObject& obj, Domain& domain, const Place& place,
                      std::vector<std::pair<std::string, std::vector<std::string>>>& pendingMembers)
{
    for (const QJsonValue& value : ArrayOf(obj, "localGroups", place)) {
        const QJsonObject groupObj = ObjectAt(value, place + ", a local group");
        LocalGroup group;
        group.name = NameOf(groupObj, place + ", a local group");
        const Place groupPlace = place + ", local group " + Quoted(group.name);
        group.rid = UIntOf(groupObj, "rid", groupPlace, 0);
        group.builtin = BoolOf(groupObj, "builtin", groupPlace, true);
        group.comment = StringOf(groupObj, "comment", groupPlace);
        CheckNewName(domain, group.name, groupPlace);
        if (group.rid == 0 || domain.localGroups.count(group.rid))
            Fail(groupPlace, "rid " + std::to_string(group.rid) + " is missing or used by another local group");
        if (!group.builtin)
            CheckNewRid(domain, group.rid, groupPlace);
        std::vector<std::string> members;
        for (const QJsonValue& member : ArrayOf(groupObj, "members", groupPlace))
            members.push_back(member.toString().toStdString());
        pendingMembers.emplace_back(group.name, std::move(members));
        domain.localGroupByName[group.name] = group.rid;
        domain.localGroups.emplace(group.rid, std::move(group));
    }
}

const Domain* DomainNamed(const Network& network, const std::string& name)
{
    for (const Domain& domain : network.domains)
        if (EqualNoCase(domain.name, name))
            return &domain;
    return nullptr;
}

// The SID of a local group member given as "name" (this domain) or "DOMAIN\name":
// a user or a global group.
std::string MemberSid(const Network& network, const Domain& home, const std::string& text, const Place& place)
{
    const auto [domainName, name] = SplitAccount(text);
    const Domain* domain = text.find('\\') == std::string::npos ? &home : DomainNamed(network, domainName);
    if (!domain)
        Fail(place, "member " + Quoted(text) + " names no domain of the network");
    if (const auto user = domain->userByName.find(name); user != domain->userByName.end())
        return AccountSid(*domain, user->second);
    if (const auto group = domain->groupByName.find(name); group != domain->groupByName.end())
        return AccountSid(*domain, group->second);
    Fail(place, "member " + Quoted(text) + " is no user or global group");
}

Server ParseServer(const QJsonObject& obj, std::size_t domainIndex, const Place& place)
{
    Server server;
    server.domain = domainIndex;
    SERVER_INFO_101& info = server.info;
    info.sv101_name = RequiredString(obj, "name", place);
    const Place serverPlace = place + ", server " + Quoted(info.sv101_name);
    if (info.sv101_name.find_first_of("\\/ ") != std::string::npos)
        Fail(serverPlace, "a server name has no backslashes, slashes or blanks");
    info.sv101_platform_id = UIntOf(obj, "platform", serverPlace, PLATFORM_ID_NT);
    const std::string version = StringOf(obj, "version", serverPlace, "4.0");
    const auto dot = version.find('.');
    try {
        info.sv101_version_major = static_cast<std::uint32_t>(std::stoul(version.substr(0, dot)));
        info.sv101_version_minor =
            dot == std::string::npos ? 0 : static_cast<std::uint32_t>(std::stoul(version.substr(dot + 1)));
    } catch (const std::exception&) {
        Fail(serverPlace, "version must look like 4.0, got " + Quoted(version));
    }
    info.sv101_type = BitsOf(obj, "type", serverPlace, kServerTypes, SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT);
    info.sv101_comment = StringOf(obj, "comment", serverPlace);
    server.sharesRefused = BoolOf(obj, "sharesRefused", serverPlace, false);
    server.silent = BoolOf(obj, "silent", serverPlace, false);
    for (const QJsonValue& value : ArrayOf(obj, "shares", serverPlace)) {
        const QJsonObject shareObj = ObjectAt(value, serverPlace + ", a share");
        SHARE_INFO_1 share;
        share.shi1_netname = RequiredString(shareObj, "name", serverPlace + ", a share");
        const Place sharePlace = serverPlace + ", share " + Quoted(share.shi1_netname);
        const std::string type = StringOf(shareObj, "type", sharePlace, "disk");
        const auto* found = std::find_if(std::begin(kShareTypes), std::end(kShareTypes),
                                         [&](const FlagName& f) { return type == f.name; });
        if (found == std::end(kShareTypes))
            Fail(sharePlace, "type must be disk, printer, device or ipc, got " + Quoted(type));
        share.shi1_type = found->bit | (BoolOf(shareObj, "special", sharePlace, false) ? STYPE_SPECIAL : 0);
        share.shi1_remark = StringOf(shareObj, "remark", sharePlace);
        server.shares.push_back(std::move(share));
    }
    return server;
}

void ParseServers(const QJsonObject& obj, Network& network, std::size_t domainIndex, const Place& place)
{
    Domain& domain = network.domains[domainIndex];
    bool havePdc = false;
    for (const QJsonValue& value : ArrayOf(obj, "servers", place)) {
        Server server = ParseServer(ObjectAt(value, place + ", a server"), domainIndex, place);
        const Place serverPlace = place + ", server " + Quoted(server.info.sv101_name);
        for (const Server& other : network.servers)
            if (EqualNoCase(other.info.sv101_name, server.info.sv101_name))
                Fail(serverPlace, "the server name is used twice");
        if (server.info.sv101_type & SV_TYPE_DOMAIN_CTRL) {
            if (havePdc)
                Fail(serverPlace, "a second primary controller (SV_TYPE_DOMAIN_CTRL) in the domain");
            havePdc = true;
            domain.pdc = network.servers.size();
        }
        domain.servers.push_back(network.servers.size());
        network.servers.push_back(std::move(server));
    }
    if (!havePdc)
        Fail(place, "the domain has no primary controller (a server with SV_TYPE_DOMAIN_CTRL)");
}

void ParseDomain(const QJsonObject& obj, Network& network,
                 std::vector<std::pair<std::string, std::vector<std::string>>>& pendingMembers)
{
    Domain domain;
    domain.name = NameOf(obj, "a domain");
    const Place place = "domain " + domain.name;
    if (DomainNamed(network, domain.name))
        Fail(place, "the domain name is used twice");
    domain.sid = RequiredString(obj, "sid", place);
    if (domain.sid.rfind("S-1-5-21-", 0) != 0)
        Fail(place, "sid must begin with S-1-5-21-");
    domain.minPasswordLength = UIntOf(obj, "minPasswordLength", place, 0);
    network.domains.push_back(std::move(domain));
    const std::size_t index = network.domains.size() - 1;
    Domain& added = network.domains.back();
    ParseServers(obj, network, index, place);
    ParseUsers(obj, added, place);
    ParseGroups(obj, added, place);
    AddPrimaryMemberships(added, place);
    ParseLocalGroups(obj, added, place, pendingMembers);
}

void ResolveLocalMembers(Network& network, std::size_t domainIndex,
                         const std::vector<std::pair<std::string, std::vector<std::string>>>& pending)
{
    Domain& domain = network.domains[domainIndex];
    for (const auto& [groupName, members] : pending) {
        LocalGroup& group = domain.localGroups.at(domain.localGroupByName.at(groupName));
        const Place place = "domain " + domain.name + ", local group " + Quoted(groupName);
        for (const std::string& member : members) {
            std::string sid = MemberSid(network, domain, member, place);
            if (std::find(group.members.begin(), group.members.end(), sid) != group.members.end())
                Fail(place, "member " + Quoted(member) + " is listed twice");
            group.members.push_back(std::move(sid));
        }
    }
}

std::string JsonErrorPlace(const std::string& text, int offset)
{
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < static_cast<int>(text.size()); ++i) {
        if (text[static_cast<std::size_t>(i)] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void ParseNetwork(const std::string& json, Network& network)
{
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        Fail(JsonErrorPlace(json, parseError.offset), parseError.errorString().toStdString());
    if (!doc.isObject())
        Fail("the file", "expected an object at the top");
    const QJsonObject root = doc.object();
    const QJsonArray domains = ArrayOf(root, "domains", "the file");
    if (domains.isEmpty())
        Fail("the file", "no domains");
    std::vector<std::vector<std::pair<std::string, std::vector<std::string>>>> pending(domains.size());
    for (qsizetype i = 0; i < domains.size(); ++i)
        ParseDomain(ObjectAt(domains[i], "a domain"), network, pending[static_cast<std::size_t>(i)]);
    for (std::size_t i = 0; i < pending.size(); ++i)
        ResolveLocalMembers(network, i, pending[i]);
    const std::string local = StringOf(root, "localComputer", "the file");
    network.localComputer = network.domains.front().pdc;
    if (!local.empty()) {
        const auto found = std::find_if(network.servers.begin(), network.servers.end(),
                                        [&](const Server& s) { return EqualNoCase(s.info.sv101_name, local); });
        if (found == network.servers.end())
            Fail("the file", "localComputer " + Quoted(local) + " is no server of the network");
        network.localComputer = static_cast<std::size_t>(found - network.servers.begin());
    }
}

}  // namespace

bool LoadNetwork(const std::string& json, Network& out, std::string& error)
{
    Network network;
    try {
        ParseNetwork(json, network);
    } catch (const LoadError& e) {
        error = e.what();
        return false;
    }
    out = std::move(network);
    return true;
}

}  // namespace net::sim
