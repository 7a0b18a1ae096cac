#include "platform/files/owner_walk.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/files/local_walk.h"
#include "platform/files/smb_walk.h"

namespace files {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        std::uint32_t code;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xE0) == 0xC0) {
            extra = 1;
            code = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            extra = 2;
            code = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            extra = 3;
            code = byte & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

bool LooksLikeSid(std::string_view text)
{
    if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-')
        return false;
    std::size_t numbers = 0;
    bool inNumber = false;
    for (std::size_t i = 2; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (!inNumber)
                ++numbers;
            inNumber = true;
        } else if (text[i] == '-' && inNumber) {
            inNumber = false;
        } else {
            return false;
        }
    }
    return inNumber && numbers >= 2;
}

bool IsSmbRoot(std::string_view root)
{
    return root.starts_with("\\\\") || StartsWithNoCase(root, "smb://");
}

std::string EncodeUrlComponent(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(name.size());
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string SmbUrlFromRoot(std::string_view root)
{
    std::string url;
    if (StartsWithNoCase(root, "smb://")) {
        url = "smb://";
        url += root.substr(6);
    } else {
        std::string_view rest = root;
        while (!rest.empty() && rest.front() == '\\')
            rest.remove_prefix(1);
        url = "smb://";
        bool first = true;
        while (!rest.empty()) {
            std::size_t end = rest.find_first_of("\\/");
            std::string_view part = rest.substr(0, end);
            if (!part.empty()) {
                if (!first)
                    url += '/';
                url += first ? std::string(part) : EncodeUrlComponent(part);  // server name as typed
                first = false;
            }
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
    }
    if (url.back() != '/')
        url += '/';
    return url;
}

DescriptorOwner OwnerFromDescriptorText(std::string_view text)
{
    if (!IsUtf8(text))
        return {{OwnerKind::Unknown, {}, 0}, false};
    if (text.empty())
        return {{OwnerKind::Unknown, {}, 0}, true};
    std::string_view name = text;
    std::size_t separator = text.find('\\');
    if (separator != std::string_view::npos) {
        name = text.substr(separator + 1);
        if (name.empty())
            return {{OwnerKind::Unknown, {}, 0}, false};
    }
    if (LooksLikeSid(name))
        return {{OwnerKind::NullSid, {}, 0}, true};
    return {{OwnerKind::Name, std::string(name), 0}, true};
}

WalkResult WalkOwners(const std::string& root, const WalkOptions& options, const std::atomic<bool>& stop)
{
    if (!IsSmbRoot(root)) {
        unsigned threads = options.threads;
        if (threads == 0)
            threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        return detail::WalkLocal(root, threads, stop);
    }
    int error = 0;
    std::unique_ptr<detail::SmbClient> client = detail::OpenLibSmbClient(options, error);
    if (!client) {
        WalkResult result;
        result.owners.push_back({{OwnerKind::DirlistDenied, {}, 0}, 1});
        return result;
    }
    unsigned connections = options.threads == 0 ? kSmbConnections : std::min(options.threads, 64u);
    if (!detail::SambaThreadsSet())
        connections = 1;
    const std::string url = SmbUrlFromRoot(root);
    // Each helper connection logs on here, on this thread, one after the other: the
    // helpers' threads then only send file requests at once.
    auto more = [&options, &url] {
        int error = 0;
        std::unique_ptr<detail::SmbClient> helper = detail::OpenLibSmbClient(options, error);
        std::string sid;
        if (helper && !helper->OwnerSid(url, sid, error))
            helper.reset();
        return helper;
    };
    return detail::WalkSmbTree(url, *client, options, stop, connections, more);
}

WalkResult WalkOwners(const std::string& root, const WalkOptions& options, const OwnerSink& sink,
                      const std::atomic<bool>& stop)
{
    WalkResult result = WalkOwners(root, options, stop);
    if (sink)
        for (const OwnerTotal& total : result.owners)
            sink(total.owner, total.bytes);
    return result;
}

}  // namespace files
