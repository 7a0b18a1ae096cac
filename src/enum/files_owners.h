// The FILES enumeration: bytes per owner below the root path, as owner lines of the
// browse's result table.
#pragma once

#include "browse/result_table.h"
#include "platform/files/owner_walk.h"

#include <stop_token>
#include <string>

// The list text of an owner the walk reports: the account name, or one of the
// pseudo-owners ("<access denied>", "<dirlist denied>", "<5>", ...).
std::string OwnerText(const files::Owner& owner);

// Who an SMB walk logs on as, decided once per browse on the window thread: the
// authentication file the program was started with (`authFile`, may be empty), else
// the Kerberos credential cache when it holds a ticket (empty credentials), else the
// answer of the log-on prompt, which is asked at most once per run. A file that can't
// be read gives empty credentials and the reason in `error`.
files::SmbCredentials SmbWalkCredentials(const std::string& authFile, std::string& error);

// Walks the tree below `root` and totals every owner into `table` through
// AddOwnerBytes, in the order first met. A stop request ends the walk early. Returns the
// walk's counts (its owners went to the table).
files::WalkResult FilesOwners(const std::string& root, const files::WalkOptions& options, ResultTable& table,
                              const std::stop_token& stop);
