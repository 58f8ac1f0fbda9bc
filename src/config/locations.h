#pragma once
// Where the program keeps its files. A copy run from where it was built or
// copied keeps them beside the executable; an installed copy keeps them in
// the user's own folders: on Linux a build option says so, on Windows the
// marker file that the setup program puts beside tandrel.exe.

#include <string>

#include "platform/process.h"

namespace tandrel {

struct FileLocations {
  std::string configFile;  // the configuration file
  std::string logFolder;   // the Log folder, ending in "/"
  std::string manual;      // the user manual that Help opens
  bool perUser = false;    // in the user's folders, which may have to be made
};

// The folder of the executable, ending in the separator.
std::string ProgramFolder(const std::string& programPath);
// ProgramFolder + "Log/": the Log folder of a copy that keeps its files
// beside itself.
std::string LogFolderFor(const std::string& programPath);

// The file beside an installed tandrel.exe that tells it from a portable
// copy: the setup program writes it and its uninstaller removes it.
extern const char kInstalledMarker[];

// Beside the executable: <executable>.cfg, Log/ and <executable>.html.
FileLocations LocationsBesideProgram(const std::string& programPath);

// In the user's folders: ${XDG_CONFIG_HOME:-HOME/.config}/tandrel/tandrel.cfg,
// ${XDG_STATE_HOME:-HOME/.local/state}/tandrel/Log/, and the manual in the
// installed documentation folder `docFolder`.
FileLocations LocationsPerUser(const platform::UserFolderSettings& user, const std::string& docFolder);

// A copy installed on Windows: <configHome>\Tandrel\tandrel.cfg and
// <stateHome>\Tandrel\Log\ (APPDATA and LOCALAPPDATA; when one is not
// given, the folder below <home>\AppData that the system would give), and
// the manual beside the program as in a portable copy.
FileLocations LocationsInstalledOnWindows(const platform::UserFolderSettings& user,
                                          const std::string& programPath);

// The locations this build uses for the executable at `programPath`.
FileLocations LocationsFor(const std::string& programPath);
// The same, with the folder of a configuration kept in the user's folders
// made, so that the first setting can be saved there.
FileLocations PreparedLocationsFor(const std::string& programPath);

}  // namespace tandrel
