#include "config/locations.h"

#include "config/tinifile.h"
#include "log/run_log.h"
#include "support/file_names.h"

namespace tandrel {

FileLocations LocationsBesideProgram(const std::string& programPath) {
  return {IniFilePathFor(programPath), LogFolderFor(programPath), WithExtension(programPath, ".html")};
}

FileLocations LocationsPerUser(const platform::UserFolderSettings& user, const std::string& docFolder) {
  const std::string config = user.configHome.empty() ? user.home + "/.config" : user.configHome;
  const std::string state = user.stateHome.empty() ? user.home + "/.local/state" : user.stateHome;
  return {config + "/tandrel/tandrel.cfg", state + "/tandrel/Log/", docFolder + "/manual.html"};
}

bool KeepsFilesPerUser() {
#ifdef TANDREL_PER_USER_FILES
  return true;
#else
  return false;
#endif
}

FileLocations LocationsFor(const std::string& programPath) {
#ifdef TANDREL_PER_USER_FILES
  (void)programPath;
  return LocationsPerUser(platform::UserFolders(), TANDREL_DOC_DIR);
#else
  return LocationsBesideProgram(programPath);
#endif
}

}  // namespace tandrel
