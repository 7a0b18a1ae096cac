// A TCP proxy on the loopback that counts the SMB requests passing through it: each
// connection made to 127.0.0.1:Port() is forwarded to the target's port 445, and the
// client's side of the stream is split into NetBIOS session messages whose SMB2
// headers are counted (every request of a compound on its own). Counting reads the
// bytes, never the clock, so the counts are the same however fast the machine is.
//
// libsmbclient opens its IPC$ connection (LSA, needed for any security attribute)
// on port 445 whatever port the URL names, so the proxy listens on 127.0.0.1:445 by
// default (root, in a network namespace where nothing else does) and libsmbclient is
// pointed at smb://127.0.0.1/share/dir/.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxtest {

class SmbCountingProxy {
public:
    explicit SmbCountingProxy(std::string target, int listenPort = 445, int targetPort = 445)
        : m_target(std::move(target)), m_targetPort(targetPort)
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        if (m_listener >= 0)
            setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(listenPort));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 16) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }
    ~SmbCountingProxy()
    {
        m_quit = true;
        if (m_listener >= 0)
            shutdown(m_listener, SHUT_RDWR);
        if (m_acceptor.joinable())
            m_acceptor.join();
        {
            std::lock_guard lock(m_mutex);
            for (int fd : m_sockets)
                shutdown(fd, SHUT_RDWR);
        }
        for (std::thread& thread : m_pipes)
            thread.join();
        std::lock_guard lock(m_mutex);
        for (int fd : m_sockets)
            close(fd);
        if (m_listener >= 0)
            close(m_listener);
    }
    SmbCountingProxy(const SmbCountingProxy&) = delete;
    SmbCountingProxy& operator=(const SmbCountingProxy&) = delete;

    // 0 when the proxy could not listen.
    int Port() const { return m_port; }

    // Requests sent since the start or the last Reset: SMB2 requests, plus SMB1 and
    // encrypted messages (one each).
    std::uint64_t Requests() const
    {
        std::lock_guard lock(m_mutex);
        std::uint64_t total = 0;
        for (const auto& [name, count] : m_byCommand)
            total += count;
        return total;
    }
    std::map<std::string, std::uint64_t> ByCommand() const
    {
        std::lock_guard lock(m_mutex);
        return m_byCommand;
    }
    int Connections() const { return m_connections.load(); }
    // Holds every piece of data this long before passing it on, each way: a network
    // whose round trip is twice as long (benchmarks only; counting never depends on it).
    void SetDelay(std::chrono::microseconds each_way) { m_delayUs = static_cast<int>(each_way.count()); }
    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_byCommand.clear();
    }

    static std::string CommandName(unsigned command)
    {
        static const char* const kNames[] = {
            "NEGOTIATE",       "SESSION_SETUP", "LOGOFF",     "TREE_CONNECT", "TREE_DISCONNECT", "CREATE", "CLOSE",
            "FLUSH",           "READ",          "WRITE",      "LOCK",         "IOCTL",           "CANCEL", "ECHO",
            "QUERY_DIRECTORY", "CHANGE_NOTIFY", "QUERY_INFO", "SET_INFO",     "OPLOCK_BREAK"};
        return command < sizeof kNames / sizeof kNames[0] ? kNames[command] : "SMB2_" + std::to_string(command);
    }

private:
    void AcceptLoop()
    {
        while (!m_quit) {
            int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(m_targetPort));
            inet_pton(AF_INET, m_target.c_str(), &address.sin_addr);
            if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                close(client);
                if (server >= 0)
                    close(server);
                continue;
            }
            int one = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ++m_connections;
            std::lock_guard lock(m_mutex);
            m_sockets.push_back(client);
            m_sockets.push_back(server);
            m_pipes.emplace_back([this, client, server] { Pipe(client, server, true); });
            m_pipes.emplace_back([this, client, server] { Pipe(server, client, false); });
        }
    }

    // Copies from -> to until either side ends; counts what the client sends.
    void Pipe(int from, int to, bool counted)
    {
        std::vector<unsigned char> pending;
        unsigned char buffer[65536];
        for (;;) {
            ssize_t got = read(from, buffer, sizeof buffer);
            if (got <= 0)
                break;
            if (int delay = m_delayUs.load())
                std::this_thread::sleep_for(std::chrono::microseconds(delay));
            std::size_t done = 0;
            while (done < static_cast<std::size_t>(got)) {
                ssize_t sent = write(to, buffer + done, static_cast<std::size_t>(got) - done);
                if (sent <= 0) {
                    got = -1;
                    break;
                }
                done += static_cast<std::size_t>(sent);
            }
            if (got < 0)
                break;
            if (counted) {
                pending.insert(pending.end(), buffer, buffer + done);
                Count(pending);
            }
        }
        shutdown(to, SHUT_WR);
        shutdown(from, SHUT_RD);
    }

    // Takes the complete session messages off the front of `stream` and counts them.
    void Count(std::vector<unsigned char>& stream)
    {
        std::size_t at = 0;
        while (stream.size() - at >= 4) {
            std::size_t length =
                (std::size_t{stream[at + 1]} << 16) | (std::size_t{stream[at + 2]} << 8) | stream[at + 3];
            if (stream.size() - at - 4 < length)
                break;
            CountMessage(stream.data() + at + 4, length);
            at += 4 + length;
        }
        stream.erase(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(at));
    }

    void CountMessage(const unsigned char* message, std::size_t length)
    {
        std::lock_guard lock(m_mutex);
        if (length >= 4 && message[0] == 0xFD && std::memcmp(message + 1, "SMB", 3) == 0) {
            ++m_byCommand["ENCRYPTED"];
            return;
        }
        if (length >= 5 && message[0] == 0xFF && std::memcmp(message + 1, "SMB", 3) == 0) {
            ++m_byCommand["SMB1"];
            return;
        }
        std::size_t offset = 0;
        while (offset + 64 <= length && message[offset] == 0xFE && std::memcmp(message + offset + 1, "SMB", 3) == 0) {
            unsigned command = message[offset + 12] | (message[offset + 13] << 8);
            ++m_byCommand[CommandName(command)];
            std::uint32_t next = 0;
            std::memcpy(&next, message + offset + 20, 4);  // little-endian, as this machine
            if (next == 0)
                break;
            offset += next;
        }
    }

    std::string m_target;
    int m_targetPort;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_quit{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_delayUs{0};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<int> m_sockets;
    std::vector<std::thread> m_pipes;
    std::map<std::string, std::uint64_t> m_byCommand;
};

}  // namespace vxtest
