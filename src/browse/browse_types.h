// The kinds a browse deals in: what the list shows, which worker runs, and the mark
// that tells a worker its browse was stopped.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string_view>

// The kind of rows shown in the result list.
enum class DisplayType : std::int32_t {
    NONE = 100,
    FILES = 101,
    GROUPS = 102,
    NETWORK = 103,
    SERVERS = 104,
    USERS = 105,
};

// The worker of a threaded browse; also the index of its pending-work counter.
enum class WorkerKind : std::int32_t {
    FILES = 0,
    NETWORK = 1,
    GROUPS = 2,
    USERS = 3,
};

inline constexpr int kWorkerKindCount = 4;

// A worker polls this between units of work and gives up once a stop is requested.
using StopToken = std::stop_token;

// The type named by a Display box text, compared exactly; nullopt for any other text.
std::optional<DisplayType> DisplayTypeFromText(std::string_view text);

// The Display box text of a type ("USERS"); nullptr for NONE.
const char* DisplayTypeText(DisplayType type);
