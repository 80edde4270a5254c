// `corvane web list|allow|revoke`: the web origins the user allowed (web_origins.h).
#include <iostream>

#include "../common/web_origins.h"
#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "web_subcommands.h"

namespace corvane::tool {
namespace {

// The one ORIGIN argument of allow and revoke, or nothing after saying why.
std::optional<std::string> OriginArgument(const std::vector<std::string>& args, std::string_view command) {
  const Options options(args, command);
  if (options.error()) return Fail(*options.error()), std::nullopt;
  if (options.positional().size() != 1) return Fail(UsageLine(command)), std::nullopt;
  const std::string& origin = options.positional()[0];
  if (!IsAcceptedOrigin(origin)) {
    Fail("\"" + origin + "\" is not an origin the host accepts (https://HOST[:PORT], or "
         "http://localhost[:PORT] or http://127.0.0.1[:PORT]; no path, host in lower case)");
    return std::nullopt;
  }
  return origin;
}

}  // namespace

int RunWebList(const std::vector<std::string>& args) {
  const Options options(args, "web list");
  if (options.error()) return Fail(*options.error());
  const std::vector<std::string> origins = AllowedOrigins();
  std::cout << "Allowed origins  (" << platform::WebOriginsFile().string() << ")\n";
  for (const std::string& origin : origins) std::cout << "  " << origin << "\n";
  if (origins.empty()) std::cout << "  (none)\n";
  return 0;
}

int RunWebAllow(const std::vector<std::string>& args) {
  const std::optional<std::string> origin = OriginArgument(args, "web allow");
  if (!origin) return 1;
  std::string failure;
  return AllowOrigin(*origin, failure) ? 0 : Fail(failure);
}

int RunWebRevoke(const std::vector<std::string>& args) {
  const std::optional<std::string> origin = OriginArgument(args, "web revoke");
  if (!origin) return 1;
  std::string failure;
  return RevokeOrigin(*origin, failure) ? 0 : Fail(failure);
}

}  // namespace corvane::tool
