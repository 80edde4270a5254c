// The browsers the host is installed for: where each reads native messaging host manifests, and
// the manifest it reads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::tool {

// The host's name in the manifests and in the extension (background.js).
inline constexpr char kWebHostName[] = "corvane.web_host";
// The extension's ID: Chromium derives it from the key in web/extension/manifest.json; Firefox
// takes the ID written there.
inline constexpr char kChromiumExtensionId[] = "mbomfelbipohpfgkobmacgfkgmomapok";
inline constexpr char kFirefoxExtensionId[] = "web-extension@corvane";

struct Browser {
  std::string_view name;         // as --browser takes it
  std::string_view config_path;  // the user's folder, under XDG_CONFIG_HOME (or ~/.config), or
                                 // under the home folder when it begins with "~/"
  std::string_view system_folder;
  bool firefox;
};

const std::vector<Browser>& Browsers();

// The browser of that name; nullopt when there is none.
std::optional<Browser> BrowserNamed(std::string_view name);

// The folder of the user's manifests: in the browser's own folder, or, for a Chromium-based
// browser started with --user-data-dir, in that folder.
std::filesystem::path UserManifestFolder(const Browser& browser,
                                         const std::optional<std::string>& user_data_dir);

// "corvane.web_host.json".
std::string ManifestFileName();

// The manifest's JSON text for a host at `host_path` (absolute).
std::string ManifestText(const Browser& browser, const std::string& host_path);

// corvane-web-host beside this program.
std::string DefaultHostPath();

}  // namespace corvane::tool
