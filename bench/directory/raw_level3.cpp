#include "raw_level3.h"

#include <netapi.h>

RawEnumeration RawUserEnumLevel3(const std::string& host, const std::string& domain, const std::string& user,
                                 const std::string& password)
{
    RawEnumeration result;
    libnetapi_ctx* context = nullptr;
    if (libnetapi_init(&context) != NET_API_STATUS_SUCCESS) {
        result.status = 1;
        return result;
    }
    libnetapi_set_debuglevel(context, "0");
    libnetapi_set_workgroup(context, domain.c_str());
    libnetapi_set_username(context, (domain + "\\" + user).c_str());
    libnetapi_set_password(context, password.c_str());
    uint32_t resume = 0;
    NET_API_STATUS status = NET_API_STATUS_SUCCESS;
    do {
        uint8_t* buffer = nullptr;
        uint32_t read = 0;
        uint32_t total = 0;
        status = NetUserEnum(host.c_str(), 3, FILTER_NORMAL_ACCOUNT, &buffer, (uint32_t)-1, &read, &total, &resume);
        if (status == NET_API_STATUS_SUCCESS || status == ERROR_MORE_DATA)
            result.accounts += read;
        if (buffer)
            NetApiBufferFree(buffer);
    } while (status == ERROR_MORE_DATA);
    result.status = static_cast<std::uint32_t>(status);
    return result;
}
