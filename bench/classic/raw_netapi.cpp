#include "raw_netapi.h"

#include <netapi.h>

namespace vxbench {

long LibnetapiLevel3(const std::string& server, const std::string& workgroup, const std::string& user,
                     const std::string& password, std::uint32_t batchBytes)
{
    libnetapi_ctx* context = nullptr;
    if (libnetapi_init(&context) != 0)
        return -1;
    libnetapi_set_workgroup(context, workgroup.c_str());
    libnetapi_set_username(context, (workgroup + "\\" + user).c_str());
    libnetapi_set_password(context, password.c_str());
    std::uint32_t resume = 0;
    long count = 0;
    for (;;) {
        std::uint8_t* buffer = nullptr;
        std::uint32_t read = 0;
        std::uint32_t total = 0;
        const NET_API_STATUS status =
            NetUserEnum(server.c_str(), 3, FILTER_NORMAL_ACCOUNT, &buffer, batchBytes, &read, &total, &resume);
        count += read;
        if (buffer)
            NetApiBufferFree(buffer);
        if (status == 0)
            return count;
        if (status != ERROR_MORE_DATA || read == 0)
            return -1;
    }
}

}  // namespace vxbench
