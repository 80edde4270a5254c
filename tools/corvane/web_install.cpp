// `corvane web install` and `corvane web manifest`: the host manifests of the browsers.
#include <iostream>

#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "web_browsers.h"
#include "web_subcommands.h"

namespace corvane::tool {
namespace {

// The browsers --browser names (all when it is absent); empty after saying why.
std::vector<Browser> ChosenBrowsers(const Options& options) {
  const std::optional<std::string> name = options.Value("browser");
  if (!name) return Browsers();
  if (const std::optional<Browser> browser = BrowserNamed(*name)) return {*browser};
  Fail("no browser \"" + *name + "\": chromium, chrome or firefox");
  return {};
}

// The host's absolute path: --host, else the one beside this program; empty after saying why.
std::string HostPath(const Options& options) {
  const std::string path = options.Value("host").value_or(DefaultHostPath());
  if (path.empty() || path.front() != '/') {
    Fail("the host's path must be absolute: " + (path.empty() ? std::string("(unknown)") : path));
    return std::string();
  }
  return path;
}

}  // namespace

int RunWebInstall(const std::vector<std::string>& args) {
  const Options options(args, "web install");
  if (options.error()) return Fail(*options.error());
  const std::vector<Browser> browsers = ChosenBrowsers(options);
  const std::string host = HostPath(options);
  if (browsers.empty() || host.empty()) return 1;
  int status = 0;
  for (const Browser& browser : browsers) {
    const std::filesystem::path folder = UserManifestFolder(browser, options.Value("user-data-dir"));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path file = folder / ManifestFileName();
    const platform::Status written = platform::WriteFileAtomically(file, ManifestText(browser, host), 0644);
    if (!written.ok()) {
      status = Fail("cannot write " + file.string() + ": " + written.Text());
      continue;
    }
    std::cout << browser.name << ": " << file.string() << "\n";
  }
  return status;
}

int RunWebManifest(const std::vector<std::string>& args) {
  const Options options(args, "web manifest");
  if (options.error()) return Fail(*options.error());
  if (!options.Value("browser")) return Fail(UsageLine("web manifest"));
  const std::vector<Browser> browsers = ChosenBrowsers(options);
  const std::string host = HostPath(options);
  if (browsers.empty() || host.empty()) return 1;
  const std::string out = options.Value("out").value_or("-");
  return WriteOutput(out, ManifestText(browsers.front(), host)) ? 0 : Fail("cannot write " + out);
}

}  // namespace corvane::tool
