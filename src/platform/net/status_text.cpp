#include "platform/net/status_text.h"

namespace net {

std::string StatusText(Status status)
{
    switch (status) {
    case NERR_Success:
        return "The operation completed successfully.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory is available to process this command.";
    case ERROR_NOT_SUPPORTED:
        return "The request is not supported.";
    case ERROR_BAD_NETPATH:
        return "The network path was not found.";
    case ERROR_UNEXP_NET_ERR:
        return "An unexpected network error occurred.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_CANNOT_COMPLETE:
        return "Cannot complete this function.";
    case ERROR_NO_SUCH_USER:
        return "The specified account does not exist.";
    case ERROR_MEMBER_IN_GROUP:
        return "Either the specified user account is already a member of the specified group, or the specified "
               "group cannot be deleted because it contains a member.";
    case ERROR_MEMBER_NOT_IN_GROUP:
        return "The specified user account is not a member of the specified group account.";
    case ERROR_LOGON_FAILURE:
        return "The user name or password is incorrect.";
    case ERROR_NONE_MAPPED:
        return "No mapping between account names and security IDs was done.";
    case ERROR_MEMBERS_PRIMARY_GROUP:
        return "The user cannot be removed from a group because the group is currently the user's primary group.";
    case ERROR_NO_SUCH_ALIAS:
        return "The specified local group does not exist.";
    case ERROR_MEMBER_NOT_IN_ALIAS:
        return "The specified account name is not a member of the group.";
    case ERROR_MEMBER_IN_ALIAS:
        return "The specified account name is already a member of the group.";
    case ERROR_TIMEOUT:
        return "This operation returned because the timeout period expired.";
    case RPC_S_SERVER_UNAVAILABLE:
        return "The RPC server is unavailable.";
    case NERR_GroupNotFound:
        return "The group name could not be found.";
    case NERR_UserNotFound:
        return "The user name could not be found.";
    case NERR_PasswordTooShort:
        return "The password does not meet the password policy requirements. Check the minimum password length, "
               "password complexity and password history requirements.";
    case NERR_InvalidComputer:
        return "This computer name is invalid.";
    case NERR_DCNotFound:
        return "Could not find domain controller for this domain.";
    default:
        return "Error " + std::to_string(status) + ".";
    }
}

}  // namespace net
