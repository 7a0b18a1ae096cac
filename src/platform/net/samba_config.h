// The local computer's Samba configuration: the domain it belongs to.
#pragma once

#include <string>

namespace net {

// The local computer's domain as Samba's configuration names it (workgroup); empty
// when unknown. Asks testparm, else reads /etc/samba/smb.conf.
std::string LocalDomainFromSambaConfig();
// The workgroup of an smb.conf text; empty when it sets none.
std::string WorkgroupFromSmbConf(const std::string& text);

}  // namespace net
