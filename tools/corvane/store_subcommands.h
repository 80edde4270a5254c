// The subcommands of `corvane store`, each given the arguments after its name.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunStoreList(const std::vector<std::string>& args);
int RunStoreImport(const std::vector<std::string>& args);
int RunStoreExport(const std::vector<std::string>& args);
int RunStoreRemove(const std::vector<std::string>& args);
int RunStoreAddCrl(const std::vector<std::string>& args);
int RunStoreCheck(const std::vector<std::string>& args);
int RunStoreLinkToken(const std::vector<std::string>& args);

// MY, CA and ROOT, then every other store folder of the root by name.
std::vector<std::string> AllStores();

}  // namespace corvane::tool
