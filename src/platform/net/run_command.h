// Runs a helper program and collects what it prints (internal to the network libraries).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace net {

struct CommandResult {
    int exitStatus = -1;  // -1 when it did not exit normally
    std::string output;   // standard output; standard error is discarded
};

// Runs argv[0] (looked up in PATH) with no input; nullopt when it can't be started or
// hasn't finished within `limit` (then it is killed, with whatever it started).
std::optional<CommandResult> RunCommand(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds limit = std::chrono::seconds(5));

}  // namespace net
