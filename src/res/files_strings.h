// Texts of the FILES display: the pseudo-owners and the descriptor warning.
#pragma once

namespace res {

inline constexpr char STR_OWNER_UNKNOWN[] = "<unknown>";
inline constexpr char STR_OWNER_NULL_SID[] = "<NULL SID>";
inline constexpr char STR_OWNER_ACCOUNT_DELETED[] = "<account deleted>";
// An owner that could not be read for any other reason: its error number.
inline constexpr char STR_OWNER_ERROR_FORMAT[] = "<%i>";
inline constexpr char STR_INVALID_DESCRIPTOR[] = "Invalid Security descriptor!";
inline constexpr char STR_INVALID_DESCRIPTOR_CAPTION[] = "FATAL Vellox Error";

}  // namespace res
