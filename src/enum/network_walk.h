// The NETWORK enumeration: the router's tree walked depth-first into the browse's
// network table, one entry per resource: its type letter, one TAB per level of depth,
// and its remote name. A server's shares follow the server at its depth.
#pragma once

#include "browse/result_table.h"
#include "platform/net/network_router.h"

#include <chrono>
#include <memory>
#include <stop_token>

struct NetworkWalkOptions {
    bool wantShares = false;                     // open servers for their shares (either share setting on)
    std::size_t sharesAtOnce = 16;               // share requests started within any half second
    std::chrono::milliseconds shareLimit{5000};  // a server's time to answer; then it has none
    std::size_t capacity = kLineCapacity;        // entries the table takes
};

// 'd' disk, 'p' printer, 'D' domain, 'S' server, 'u' anything else.
char NetworkLetter(const net::NetResource& resource);

// Walks the whole network from its root. A container that can't be opened adds nothing
// (its own entry stays); a stop ends the walk between requests. Servers that have not
// answered in time are left to finish on their own, their answer dropped.
void WalkNetwork(std::shared_ptr<net::NetworkRouter> router, ResultTable& table, const NetworkWalkOptions& options,
                 const std::stop_token& stop);
