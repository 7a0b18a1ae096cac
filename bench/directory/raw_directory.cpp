#include "raw_directory.h"

#include <ldap.h>

#include <cstring>

RawRead RawSearch(LDAP* ld, const std::string& base, const std::string& filter,
                  const std::vector<std::string>& attributes, bool daclOnly)
{
    std::vector<char*> attrs;
    for (const std::string& a : attributes)
        attrs.push_back(const_cast<char*>(a.c_str()));
    attrs.push_back(nullptr);
    static char kDaclOnly[] = {0x30, 0x03, 0x02, 0x01, 0x04};  // SEQUENCE { INTEGER 4 }
    LDAPControl sdFlags{const_cast<char*>("1.2.840.113556.1.4.801"), {sizeof kDaclOnly, kDaclOnly}, 0};
    LDAPControl* controls[] = {daclOnly ? &sdFlags : nullptr, nullptr};
    RawRead read;
    int msgid = 0;
    read.rc = ldap_search_ext(ld, base.c_str(), LDAP_SCOPE_SUBTREE, filter.c_str(), attrs.data(), 0, controls, nullptr,
                              nullptr, LDAP_NO_LIMIT, &msgid);
    // Each entry read as it arrives, as ldapsearch prints it, until the result.
    while (read.rc == LDAP_SUCCESS) {
        LDAPMessage* message = nullptr;
        const int type = ldap_result(ld, msgid, LDAP_MSG_ONE, nullptr, &message);
        if (type <= 0) {
            read.rc = LDAP_OTHER;
            ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &read.rc);
            break;
        }
        if (type == LDAP_RES_SEARCH_ENTRY) {
            ++read.entries;
            if (char* dn = ldap_get_dn(ld, message)) {
                read.bytes += std::strlen(dn);
                ldap_memfree(dn);
            }
            BerElement* ber = nullptr;
            for (char* a = ldap_first_attribute(ld, message, &ber); a; a = ldap_next_attribute(ld, message, ber)) {
                if (berval** vals = ldap_get_values_len(ld, message, a)) {
                    for (berval** v = vals; *v; ++v) {
                        ++read.values;
                        read.bytes += (*v)->bv_len;
                    }
                    ldap_value_free_len(vals);
                }
                ldap_memfree(a);
            }
            if (ber)
                ber_free(ber, 0);
        }
        const bool done = type == LDAP_RES_SEARCH_RESULT;
        if (done)
            ldap_parse_result(ld, message, &read.rc, nullptr, nullptr, nullptr, nullptr, 0);
        ldap_msgfree(message);
        if (done)
            break;
    }
    return read;
}

RawRead operator+(const RawRead& a, const RawRead& b)
{
    return {a.rc ? a.rc : b.rc, a.entries + b.entries, a.values + b.values, a.bytes + b.bytes};
}
