#include "platform/resident.h"

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tandrel::platform {
namespace {

// A real folder of this user's that nobody else can write, so that nobody
// else can put a socket in it or replace one there.
bool OwnFolder(const std::string& folder) {
  struct stat st;
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 022) == 0;
}

}  // namespace

MeetingPlaces UsersMeetingPlaces() {
  const uid_t uid = ::geteuid();
  MeetingPlaces places{"/run/user/" + std::to_string(uid), {}};
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    places.home = found->pw_dir;
  }
  return places;
}

std::vector<std::string> MeetingFolders(const MeetingPlaces& places, bool make) {
  std::vector<std::string> folders;
  if (!places.runtime.empty() && OwnFolder(places.runtime)) folders.push_back(places.runtime);
  if (places.home.empty()) return folders;
  std::string folder =
      places.home.back() == '/' ? places.home.substr(0, places.home.size() - 1) : places.home;
  for (const char* part : {"/.local", "/state", "/tandrel", "/resident"}) {
    folder += part;
    // Made whole whatever the umask; a folder that exists is left as it is.
    if (make && ::mkdir(folder.c_str(), 0700) == 0) ::chmod(folder.c_str(), 0700);
  }
  if (OwnFolder(folder)) folders.push_back(folder);
  return folders;
}

bool PeerIsThisUser(intptr_t descriptor) {
  struct ucred peer {};
  socklen_t size = sizeof peer;
  return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::geteuid();
}

size_t LongestSocketPath() { return sizeof(sockaddr_un::sun_path) - 1; }

}  // namespace tandrel::platform
