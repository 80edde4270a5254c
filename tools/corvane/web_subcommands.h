// The subcommands of `corvane web`: the origins a user allowed, and the browsers' host manifests.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunWebList(const std::vector<std::string>& args);
int RunWebAllow(const std::vector<std::string>& args);
int RunWebRevoke(const std::vector<std::string>& args);
int RunWebInstall(const std::vector<std::string>& args);
int RunWebManifest(const std::vector<std::string>& args);
int RunWebCheck(const std::vector<std::string>& args);

}  // namespace corvane::tool
