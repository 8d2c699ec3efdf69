#include "app/paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

// The base-directory convention ignores a variable that is unset, empty or relative.
std::string AbsoluteVariable(const char *name) {
  const char *value = std::getenv(name);
  return value && value[0] == '/' ? value : std::string();
}

std::string HomeFolder() {
  std::string home = AbsoluteVariable("HOME");
  if (!home.empty())
    return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd *found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return std::string();
}

std::string Join(std::string folder, const char *name) {
  if (folder.empty())
    return std::string();
  if (folder.back() != '/')
    folder += '/';
  return folder + name;
}

// $variable/Vexmoor/name, else ~/fallback/Vexmoor/name.
std::string BaseFolderFile(const char *variable, const char *fallback, const char *name) {
  std::string base = AbsoluteVariable(variable);
  if (base.empty()) {
    const std::string home = HomeFolder();
    if (home.empty())
      return std::string();
    base = Join(home, fallback);
  }
  return Join(Join(base, "Vexmoor"), name);
}

} // namespace

std::string SettingsFilePath(const std::string &overrideFile) {
  if (!overrideFile.empty())
    return overrideFile;
  return BaseFolderFile("XDG_CONFIG_HOME", ".config", "settings.txt");
}

std::string ResultsFilePath(const std::string &overrideDir) {
  if (!overrideDir.empty())
    return Join(overrideDir, "results.txt");
  return BaseFolderFile("XDG_DATA_HOME", ".local/share", "results.txt");
}

std::string SteeringFilePath(const std::string &settingsFile) {
  if (settingsFile.empty())
    return std::string();
  const std::size_t slash = settingsFile.rfind('/');
  return slash == std::string::npos ? "steering.txt" : settingsFile.substr(0, slash + 1) + "steering.txt";
}
