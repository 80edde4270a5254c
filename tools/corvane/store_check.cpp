// `corvane store check [STORE] [--repair]`: first one line per problem of the algorithm policy's
// files, "policy FILE:LINE: problem", marked "(warning)" for a setting raised to its floor; then
// one line per finding, "STORE/FILE: problem", marked "(repaired)" when --repair fixed it or
// "(warning)" for advice. Exit status 0 when nothing is left to fix.
#include <iostream>

#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/policy/algorithm_policy.h"
#include "store_subcommands.h"

namespace corvane::tool {

int RunStoreCheck(const std::vector<std::string>& args) {
  const Options options(args, "store check");
  if (options.error()) return Fail(*options.error());
  if (options.positional().size() > 1) return Fail(UsageLine("store check"));
  const std::vector<std::string> stores = options.positional().empty() ? AllStores() : options.positional();
  const bool repair = options.Flag("repair");
  int status = 0;
  for (const platform::PolicyProblem& problem : platform::PolicyProblems()) {
    std::cout << "policy " << problem.file
              << (problem.line > 0 ? ":" + std::to_string(problem.line) : std::string()) << ": "
              << problem.problem << (problem.warning ? " (warning)" : "") << "\n";
    if (!problem.warning) status = 1;
  }
  for (const std::string& store : stores) {
    std::vector<platform::StoreFinding> findings;
    const platform::Status checked = platform::CheckStore(store, repair, findings);
    if (!checked.ok()) {
      status = Fail(checked.Text());
      continue;
    }
    for (const platform::StoreFinding& finding : findings) {
      std::cout << platform::StoreFolderName(store) << "/" << finding.file << ": " << finding.problem
                << (finding.repaired ? " (repaired)" : finding.warning ? " (warning)" : "")
                << "\n";
      if (!finding.repaired && !finding.warning) status = 1;
    }
  }
  if (status == 0) std::cout << "no problems left\n";
  return status;
}

}  // namespace corvane::tool
