#include "platform/net/netapi.h"

namespace net {

USER_INFO_3 WithUserFields(USER_INFO_3 current, const USER_INFO_3& info, const UserFields& fields)
{
    if (fields.fullName)
        current.usri3_full_name = info.usri3_full_name;
    if (fields.comment)
        current.usri3_comment = info.usri3_comment;
    current.usri3_password = fields.password ? info.usri3_password : std::nullopt;
    if (fields.passwordExpired)
        current.usri3_password_expired = info.usri3_password_expired;
    std::uint32_t bits = fields.flags & UserFields::kWritableFlags;
    if (!(current.usri3_flags & UF_LOCKOUT))
        bits &= ~UF_LOCKOUT;  // nothing to clear, and a lockout is never set
    current.usri3_flags = (current.usri3_flags & ~bits) | (info.usri3_flags & bits);
    return current;
}

}  // namespace net
