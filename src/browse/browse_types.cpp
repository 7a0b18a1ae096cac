#include "browse/browse_types.h"

#include "res/browse_strings.h"

std::optional<DisplayType> DisplayTypeFromText(std::string_view text)
{
    if (text == res::STR_USERS)
        return DisplayType::USERS;
    if (text == res::STR_FILES)
        return DisplayType::FILES;
    if (text == res::STR_GROUPS)
        return DisplayType::GROUPS;
    if (text == res::STR_SERVERS)
        return DisplayType::SERVERS;
    if (text == res::STR_NETWORK)
        return DisplayType::NETWORK;
    return std::nullopt;
}

const char* DisplayTypeText(DisplayType type)
{
    switch (type) {
    case DisplayType::FILES:
        return res::STR_FILES;
    case DisplayType::GROUPS:
        return res::STR_GROUPS;
    case DisplayType::NETWORK:
        return res::STR_NETWORK;
    case DisplayType::SERVERS:
        return res::STR_SERVERS;
    case DisplayType::USERS:
        return res::STR_USERS;
    case DisplayType::NONE:
        break;
    }
    return nullptr;
}
