#pragma once
// Where the program keeps its files. A copy run from where it was built or
// copied keeps them beside the executable; an installed copy (a build
// option) keeps them in the user's own folders.

#include <string>

#include "platform/platform.h"

namespace tandrel {

struct FileLocations {
  std::string configFile;  // the configuration file
  std::string logFolder;   // the Log folder, ending in "/"
  std::string manual;      // the user manual that Help opens
};

// Beside the executable: <executable>.cfg, Log/ and <executable>.html.
FileLocations LocationsBesideProgram(const std::string& programPath);

// In the user's folders: ${XDG_CONFIG_HOME:-HOME/.config}/tandrel/tandrel.cfg,
// ${XDG_STATE_HOME:-HOME/.local/state}/tandrel/Log/, and the manual in the
// installed documentation folder `docFolder`.
FileLocations LocationsPerUser(const platform::UserFolderSettings& user, const std::string& docFolder);

// The locations this build uses for the executable at `programPath`.
FileLocations LocationsFor(const std::string& programPath);

// True when this build keeps its files in the user's folders.
bool KeepsFilesPerUser();

}  // namespace tandrel
