// A NETWORK walk with shares over a sample network of 200 servers with three shares
// each, 20 of which never answer, beside the same walk where every server answers (the
// peer, in the same run). The silent servers must cost one share time limit, not one
// each: the walk must end within the limit plus 1 s of the peer.
//
//   network_bench [--limit-ms N]
#include "enum/network_walk.h"
#include "platform/net/sample/sim_netapi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A network of one domain: its controller and `servers` more, every tenth of them silent.
std::string Network(int servers, bool withSilent)
{
    std::string json = R"({"localComputer": "BENCH-PDC", "domains": [{"name": "BENCH", "sid": "S-1-5-21-1-2-3",
        "users": [{"name": "Administrator", "rid": 500}], "groups": [{"name": "Domain Users", "rid": 513}], "servers": [
        {"name": "BENCH-PDC", "type": ["SV_TYPE_SERVER", "SV_TYPE_DOMAIN_CTRL", "SV_TYPE_NT"]})";
    for (int i = 0; i < servers; ++i) {
        json += R"(, {"name": "BENCH-S)" + std::to_string(1000 + i) + R"(", "shares": [
            {"name": "Data"}, {"name": "Home"}, {"name": "Queue", "type": "printer"}, {"name": "C$", "special": true}])";
        if (withSilent && i % 10 == 9)
            json += R"(, "silent": true)";
        json += "}";
    }
    return json + "]}]}";
}

double Walk(net::SimNetApi& api, std::chrono::milliseconds limit, std::size_t& entries)
{
    ResultTable table;
    NetworkWalkOptions options;
    options.wantShares = true;
    options.shareLimit = limit;
    const auto start = std::chrono::steady_clock::now();
    WalkNetwork(std::make_shared<net::NetworkRouter>(api, "\\\\BENCH-PDC"), table, options, std::stop_token());
    entries = table.networkTable.size();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    std::chrono::milliseconds limit{5000};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--limit-ms") && i + 1 < argc) {
            limit = std::chrono::milliseconds(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: network_bench [--limit-ms N]\n");
            return 2;
        }
    }
    std::string error;
    // Never freed: the silent servers' reads are still waiting when the walk ends.
    net::SimNetApi* answering = net::SimNetApi::FromJson(Network(200, false), error).release();
    net::SimNetApi* silent = net::SimNetApi::FromJson(Network(200, true), error).release();
    if (!answering || !silent) {
        std::fprintf(stderr, "network_bench: %s\n", error.c_str());
        return 1;
    }
    std::size_t peerEntries = 0, entries = 0;
    const double peer = Walk(*answering, limit, peerEntries);
    const double seconds = Walk(*silent, limit, entries);
    const double limitSeconds = std::chrono::duration<double>(limit).count();
    std::printf("peer: every server answers      %.3f s  %zu entries\n", peer, peerEntries);
    std::printf(
        "20 of 200 servers never answer  %.3f s  %zu entries  (limit %.1f s; budget peer + limit + 1 s = %.3f s)\n",
        seconds, entries, limitSeconds, peer + limitSeconds + 1);
    std::fflush(stdout);
    std::_Exit(seconds <= peer + limitSeconds + 1 ? 0 : 1);
}
