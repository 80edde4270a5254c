// The web origins that may use the user's certificates through the browser host.
//
// An origin is accepted at all only as a browser serialises it: "https://HOST[:PORT]" or
// "http://localhost[:PORT]" / "http://127.0.0.1[:PORT]" (plain http only on this machine), with a
// lower-case host name of letters, digits, dots and hyphens (or a bracketed IPv6 address), no
// path, no user part, at most 255 characters. The user's list lives in the Corvane folder
// (store_layout.h), one origin a line. Every update reads, changes and writes it atomically while
// holding the lock file beside it (web-origins.lock, update_lock.h), so that updates of the tool
// and of browser hosts running at the same time never undo one another.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::tool {

bool IsAcceptedOrigin(std::string_view origin);

// The origins the user allowed, in order; an absent or unreadable file is an empty list. Lines
// that are not accepted origins are left out.
std::vector<std::string> AllowedOrigins();

bool IsAllowedOrigin(std::string_view origin);

// Adds or removes one origin (which must be accepted); false, with `failure` saying why, when the
// list cannot be locked, read (it exists but is not a readable regular file) or written. Adding an
// origin already there and removing one that is not change nothing.
bool AllowOrigin(const std::string& origin, std::string& failure);
bool RevokeOrigin(const std::string& origin, std::string& failure);

}  // namespace corvane::tool
