#include "web_browsers.h"

#include <nlohmann/json.hpp>

#include "platform/posix/environment.h"

namespace corvane::tool {

const std::vector<Browser>& Browsers() {
  static const std::vector<Browser> browsers = {
      {"chromium", "chromium/NativeMessagingHosts", "/etc/chromium/native-messaging-hosts", false},
      {"chrome", "google-chrome/NativeMessagingHosts", "/etc/opt/chrome/native-messaging-hosts", false},
      {"firefox", "~/.mozilla/native-messaging-hosts", "/usr/lib/mozilla/native-messaging-hosts", true},
  };
  return browsers;
}

std::optional<Browser> BrowserNamed(std::string_view name) {
  for (const Browser& browser : Browsers()) {
    if (browser.name == name) return browser;
  }
  return std::nullopt;
}

std::filesystem::path UserManifestFolder(const Browser& browser,
                                         const std::optional<std::string>& user_data_dir) {
  if (user_data_dir && !browser.firefox) return std::filesystem::path(*user_data_dir) / "NativeMessagingHosts";
  const std::filesystem::path home = platform::EnvironmentValue("HOME");
  if (browser.config_path.substr(0, 2) == "~/") return home / browser.config_path.substr(2);
  const std::string config_home(platform::EnvironmentValue("XDG_CONFIG_HOME"));
  const std::filesystem::path config =
      !config_home.empty() && config_home.front() == '/' ? std::filesystem::path(config_home) : home / ".config";
  return config / browser.config_path;
}

std::string ManifestFileName() { return std::string(kWebHostName) + ".json"; }

std::string ManifestText(const Browser& browser, const std::string& host_path) {
  nlohmann::json manifest = {
      {"name", kWebHostName},
      {"description", "Corvane: PKCS #7 signing, verification, envelopes with the user's certificates"},
      {"path", host_path},
      {"type", "stdio"},
  };
  if (browser.firefox) {
    manifest["allowed_extensions"] = {kFirefoxExtensionId};
  } else {
    manifest["allowed_origins"] = {std::string("chrome-extension://") + kChromiumExtensionId + "/"};
  }
  return manifest.dump(2) + "\n";
}

std::string DefaultHostPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : (self.parent_path() / "corvane-web-host").string();
}

}  // namespace corvane::tool
