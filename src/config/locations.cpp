#include "config/locations.h"

#include "config/ini_file.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "support/file_names.h"

namespace tandrel {

std::string ProgramFolder(const std::string& programPath) {
  const std::string folder = platform::ParentFolder(programPath);
  return folder.empty() ? std::string(".") + platform::kPathSeparator : folder;
}

std::string LogFolderFor(const std::string& programPath) {
  return platform::WithTrailingSeparator(platform::JoinPath(ProgramFolder(programPath), "Log"));
}

const char kInstalledMarker[] = "installed.txt";

FileLocations LocationsBesideProgram(const std::string& programPath) {
  return {IniFilePathFor(programPath), LogFolderFor(programPath), WithExtension(programPath, ".html")};
}

FileLocations LocationsPerUser(const platform::UserFolderSettings& user, const std::string& docFolder) {
  const std::string config = user.configHome.empty() ? user.home + "/.config" : user.configHome;
  const std::string state = user.stateHome.empty() ? user.home + "/.local/state" : user.stateHome;
  return {config + "/tandrel/tandrel.cfg", state + "/tandrel/Log/", docFolder + "/manual.html", true};
}

FileLocations LocationsInstalledOnWindows(const platform::UserFolderSettings& user,
                                          const std::string& programPath) {
  const std::string roaming = user.configHome.empty() ? user.home + "\\AppData\\Roaming" : user.configHome;
  const std::string local = user.stateHome.empty() ? user.home + "\\AppData\\Local" : user.stateHome;
  return {roaming + "\\Tandrel\\tandrel.cfg", local + "\\Tandrel\\Log\\", WithExtension(programPath, ".html"),
          true};
}

FileLocations LocationsFor(const std::string& programPath) {
#if defined(TANDREL_PER_USER_FILES)
  (void)programPath;
  return LocationsPerUser(platform::UserFolders(), TANDREL_DOC_DIR);
#elif defined(_WIN32)
  // Decided at run time, as one build serves both the zip and the setup
  // program; a marker file is what a user can see, and it needs neither the
  // registry nor a guess from the folder's name.
  const std::string marker = platform::JoinPath(ProgramFolder(programPath), kInstalledMarker);
  if (platform::GetAttributes(marker) != platform::kInvalidAttributes) {
    return LocationsInstalledOnWindows(platform::UserFolders(), programPath);
  }
  return LocationsBesideProgram(programPath);
#else
  return LocationsBesideProgram(programPath);
#endif
}

FileLocations PreparedLocationsFor(const std::string& programPath) {
  FileLocations locations = LocationsFor(programPath);
  if (locations.perUser) platform::CreateDirectories(ProgramFolder(locations.configFile));
  return locations;
}

}  // namespace tandrel
