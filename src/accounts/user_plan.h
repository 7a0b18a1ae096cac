// The User Properties dialog's work without widgets: the account name of a row, the
// two group lists from the five reads, and what OK writes.
#pragma once

#include "platform/net/netapi.h"

#include <string>
#include <vector>

namespace accounts {

// List markers: a global group, a local group the account is directly in (or could
// be), a local group it is in only through a global group.
inline constexpr char kGlobalMarker[] = "(G) ";
inline constexpr char kLocalMarker[] = "(L) ";
inline constexpr char kIndirectMarker[] = "(I) ";

// The text before the first TAB of a USERS (or GROUPS) row; empty when the row has no
// TAB (a failure line) or begins with one (a member line).
std::string NameOfRow(const std::string& row);

// The group name of a list entry: the text after its first blank.
std::string GroupOfEntry(const std::string& entry);
bool IsIndirectEntry(const std::string& entry);
bool IsGlobalEntry(const std::string& entry);

// What the dialog reads when it opens, list by list.
struct MembershipReads {
    std::vector<std::string> allGlobal;     // NetGroupEnum
    std::vector<std::string> allLocal;      // NetLocalGroupEnum
    std::vector<std::string> userGlobal;    // NetUserGetGroups
    std::vector<std::string> userIndirect;  // NetUserGetLocalGroups, LG_INCLUDE_INDIRECT
    std::vector<std::string> userDirect;    // NetUserGetLocalGroups, flags 0
};

struct MembershipLists {
    std::vector<std::string> memberOf;
    std::vector<std::string> notMemberOf;
};

// Member of: "(G) " for the account's global groups, "(L) " for its direct local
// groups, "(I) " for the local ones it is in only through a global group. Not a member
// of: the server's other global groups as "(G) ", the local groups it is not directly
// in as "(L) " (so an indirect one stands on both sides). Names compare exactly.
MembershipLists BuildMembershipLists(const MembershipReads& reads);

// What the administrator left in the dialog at OK.
struct UserEdits {
    std::string fullName;
    std::string description;
    std::string password;
    std::string confirmPassword;
    bool mustChangePassword = false;
    bool cannotChangePassword = false;
    bool passwordNeverExpires = false;
    bool accountDisabled = false;
    bool lockedOut = false;
};

enum class CommitCheck { Ok, ConflictingOptions, PasswordsDiffer };

struct UserCommit {
    net::USER_INFO_3 info;   // the record as read, with the edited fields
    net::UserFields fields;  // only what differs from what the dialog read
    std::vector<std::string> addGlobal, addLocal, removeGlobal, removeLocal;
};

// Checks the edits and plans OK: every field, option and the password only when it
// differs from what the dialog read (`read`, and the placeholder for the password);
// group entries that entered Member of are added, those that left it removed, indirect
// entries never. `placeholder` is the password fields' initial text.
CommitCheck PlanUserCommit(const net::USER_INFO_3& read, const UserEdits& edits, const std::string& placeholder,
                           const std::vector<std::string>& memberOfAtOpen, const std::vector<std::string>& memberOfNow,
                           UserCommit& commit);

}  // namespace accounts
