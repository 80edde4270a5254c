// `corvane web check`: for each browser, whether a host manifest is where that browser reads it,
// names this extension and an executable host, and whether that host answers a request.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <nlohmann/json.hpp>

#include "../common/native_frame.h"
#include "../common/web_refusals.h"
#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "web_browsers.h"
#include "web_subcommands.h"

extern char** environ;

namespace corvane::tool {
namespace {

constexpr int kAnswerWaitMilliseconds = 10000;
// A request the host refuses without asking anybody anything: it names no origin.
constexpr char kProbeId[] = "corvane web check";

// A pipe's two ends, closed when the owner goes.
struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() {
    if (pipe2(ends, O_CLOEXEC) != 0) ends[0] = ends[1] = -1;
  }
  ~Pipe() {
    CloseEnd(0);
    CloseEnd(1);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  void CloseEnd(int end) {
    if (ends[end] >= 0) close(ends[end]);
    ends[end] = -1;
  }
};

// Empty when the host at `path` answers the probe as it should, else what went wrong.
std::string ProbeHost(const std::string& path) {
  Pipe to_host;
  Pipe from_host;
  if (to_host.ends[0] < 0 || from_host.ends[0] < 0) return "no pipe for the host";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_host.ends[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_host.ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return "cannot be started";
  to_host.CloseEnd(0);
  from_host.CloseEnd(1);
  const std::string request = nlohmann::json{{"id", kProbeId}}.dump();
  const bool sent = WriteFrame(to_host.ends[1], request);
  to_host.CloseEnd(1);  // end of input: the host exits after its answer
  pollfd readable{from_host.ends[0], POLLIN, 0};
  std::string problem;
  if (!sent) {
    problem = "took no request";
  } else if (poll(&readable, 1, kAnswerWaitMilliseconds) != 1) {
    problem = "did not answer within " + std::to_string(kAnswerWaitMilliseconds / 1000) + " s";
    kill(pid, SIGKILL);
  } else {
    const FrameRead frame = ReadFrame(from_host.ends[0], kMaxAnswerFrame);
    const nlohmann::json answer = nlohmann::json::parse(frame.bytes, nullptr, false);
    if (frame.kind != FrameRead::Kind::kFrame || !answer.is_object() || answer.value("id", "") != kProbeId ||
        answer.value("code", 0) != kWebUnreadableRequest) {
      problem = "answered something else than a native messaging host of Corvane";
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return problem;
}

// The manifest at `file` checked; true when the browser can use it.
bool CheckManifest(const Browser& browser, const std::filesystem::path& file, std::string_view kind) {
  std::cout << "  " << kind << " manifest " << file.string() << ": ";
  std::string text;
  if (!std::filesystem::exists(file)) return std::cout << "absent\n", false;
  if (!platform::ReadWholeFile(file, text).ok()) return std::cout << "cannot be read\n", false;
  const nlohmann::json manifest = nlohmann::json::parse(text, nullptr, false);
  if (!manifest.is_object() || manifest.value("name", "") != kWebHostName) {
    return std::cout << "not a manifest of " << kWebHostName << "\n", false;
  }
  const char* allowed_key = browser.firefox ? "allowed_extensions" : "allowed_origins";
  const std::string allowed = browser.firefox ? std::string(kFirefoxExtensionId)
                                              : std::string("chrome-extension://") + kChromiumExtensionId + "/";
  const nlohmann::json list = manifest.value(allowed_key, nlohmann::json::array());
  if (!list.is_array() || std::find(list.begin(), list.end(), allowed) == list.end()) {
    return std::cout << "does not allow the Corvane extension (" << allowed << ")\n", false;
  }
  const std::string host = manifest.value("path", "");
  if (host.empty() || host.front() != '/' || access(host.c_str(), X_OK) != 0) {
    return std::cout << "names no executable host (\"" << host << "\")\n", false;
  }
  const std::string problem = ProbeHost(host);
  if (!problem.empty()) return std::cout << "host " << host << " " << problem << "\n", false;
  std::cout << "ok, host " << host << " answers\n";
  return true;
}

}  // namespace

int RunWebCheck(const std::vector<std::string>& args) {
  const Options options(args, "web check");
  if (options.error()) return Fail(*options.error());
  std::vector<Browser> browsers = Browsers();
  if (const std::optional<std::string> name = options.Value("browser")) {
    const std::optional<Browser> browser = BrowserNamed(*name);
    if (!browser) return Fail("no browser \"" + *name + "\": chromium, chrome or firefox");
    browsers = {*browser};
  }
  bool any_ready = false;
  for (const Browser& browser : browsers) {
    std::cout << browser.name << "\n";
    const std::filesystem::path user = UserManifestFolder(browser, options.Value("user-data-dir")) / ManifestFileName();
    const bool user_ready = CheckManifest(browser, user, "user");
    const bool system_ready =
        CheckManifest(browser, std::filesystem::path(browser.system_folder) / ManifestFileName(), "system");
    any_ready = any_ready || user_ready || system_ready;
  }
  const std::filesystem::path log = platform::WebHostLogFile();
  std::cout << "request log " << log.string() << ": "
            << (std::filesystem::exists(log) ? "on (remove the file to stop it)\n"
                                             : "off (create the file to log the host's requests)\n");
  return any_ready ? 0 : 1;
}

}  // namespace corvane::tool
