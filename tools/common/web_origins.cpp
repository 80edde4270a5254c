#include "web_origins.h"

#include <algorithm>
#include <cerrno>
#include <functional>

#include "platform/posix/admin/store_admin.h"

namespace corvane::tool {
namespace {

constexpr size_t kMaxOriginLength = 255;

bool IsHostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool IsIpv6Character(char c) { return (c >= 'a' && c <= 'f') || (c >= '0' && c <= '9') || c == ':' || c == '.'; }

// "HOST[:PORT]" as a browser serialises it.
bool IsHostAndPort(std::string_view authority) {
  std::string_view host = authority;
  std::string_view port;
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string_view::npos || close < 3) return false;
    if (!std::all_of(host.begin() + 1, host.begin() + static_cast<long>(close), IsIpv6Character)) return false;
    port = host.substr(close + 1);
    host = host.substr(0, close + 1);
  } else {
    const size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
      port = host.substr(colon);
      host = host.substr(0, colon);
    }
    if (host.empty() || host.front() == '.' || host.front() == '-' ||
        !std::all_of(host.begin(), host.end(), IsHostCharacter)) {
      return false;
    }
  }
  if (port.empty()) return true;
  if (port.front() != ':' || port.size() < 2 || port.size() > 6 || port[1] == '0') return false;
  return std::all_of(port.begin() + 1, port.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
         std::stoul(std::string(port.substr(1))) <= 65535;
}

std::string_view HostOf(std::string_view authority) {
  if (!authority.empty() && authority.front() == '[') return authority.substr(0, authority.find(']') + 1);
  return authority.substr(0, authority.find(':'));
}

// The accepted origins of the list's text, one a line, each once.
std::vector<std::string> OriginsOf(const std::string& text) {
  std::vector<std::string> origins;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    if (IsAcceptedOrigin(line) && std::find(origins.begin(), origins.end(), line) == origins.end()) {
      origins.push_back(line);
    }
    at = end + 1;
  }
  return origins;
}

// Reads the list, changes it and writes it back, all under the list's update lock, so that no
// other update (the tool's, or a host recording a consent) comes in between and is undone by this
// write. `change` answers whether there is anything to write. A list that exists but cannot be
// read fails the update: written back, it would lose what it holds.
bool UpdateOrigins(const std::function<bool(std::vector<std::string>&)>& change, std::string& failure) {
  const std::filesystem::path file = platform::WebOriginsFile();
  platform::Status status = platform::CreatePrivateFolder(file.parent_path());
  if (!status.ok()) {
    failure = "cannot create " + file.parent_path().string() + ": " + status.Text();
    return false;
  }
  const platform::UpdateLock lock(file);
  if (!lock.status().ok()) {
    failure = lock.status().Text();
    return false;
  }
  std::string text;
  status = platform::ReadWholeFile(file, text);
  if (!status.ok() && !status.IsSystemError(ENOENT)) {
    failure = "cannot read " + file.string() + ": " + status.Text();
    return false;
  }
  std::vector<std::string> origins = OriginsOf(text);
  if (!change(origins)) return true;
  text.clear();
  for (const std::string& origin : origins) text += origin + "\n";
  status = platform::WriteFileAtomically(file, text, 0600);
  if (!status.ok()) failure = "cannot write " + file.string() + ": " + status.Text();
  return status.ok();
}

}  // namespace

bool IsAcceptedOrigin(std::string_view origin) {
  if (origin.size() > kMaxOriginLength) return false;
  constexpr std::string_view kHttps = "https://";
  constexpr std::string_view kHttp = "http://";
  if (origin.substr(0, kHttps.size()) == kHttps) return IsHostAndPort(origin.substr(kHttps.size()));
  if (origin.substr(0, kHttp.size()) != kHttp) return false;
  const std::string_view authority = origin.substr(kHttp.size());
  const std::string_view host = HostOf(authority);
  return IsHostAndPort(authority) && (host == "localhost" || host == "127.0.0.1");
}

std::vector<std::string> AllowedOrigins() {
  std::string text;
  if (!platform::ReadWholeFile(platform::WebOriginsFile(), text).ok()) return {};
  return OriginsOf(text);
}

bool IsAllowedOrigin(std::string_view origin) {
  const std::vector<std::string> origins = AllowedOrigins();
  return IsAcceptedOrigin(origin) && std::find(origins.begin(), origins.end(), origin) != origins.end();
}

bool AllowOrigin(const std::string& origin, std::string& failure) {
  return UpdateOrigins(
      [&](std::vector<std::string>& origins) {
        if (std::find(origins.begin(), origins.end(), origin) != origins.end()) return false;
        origins.push_back(origin);
        return true;
      },
      failure);
}

bool RevokeOrigin(const std::string& origin, std::string& failure) {
  return UpdateOrigins(
      [&](std::vector<std::string>& origins) {
        const auto kept = std::remove(origins.begin(), origins.end(), origin);
        if (kept == origins.end()) return false;
        origins.erase(kept, origins.end());
        return true;
      },
      failure);
}

}  // namespace corvane::tool
