#pragma once
// Where and with whom the resident copy of the program with windows (POSIX
// systems) meets a user's later starts: a folder that only
// this user can write, chosen without the environment, so that a start
// from a desktop, su, cron or ssh looks in the same places and no other
// user can stand in for the resident copy.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tandrel::platform {

// The two places, for this user: the runtime folder the system keeps
// (/run/user/<uid>), and one below the home folder that the password
// database gives.
struct MeetingPlaces {
  std::string runtime;  // the folder itself
  std::string home;     // the home folder, below which the folder lies
};
MeetingPlaces UsersMeetingPlaces();

// The folders of `places` where a resident copy may listen, the one to
// listen in first: the runtime folder, then
// <home>/.local/state/tandrel/resident, made 0700 with its parents when
// `make` is set. Each is left out unless, when looked at now, it is a real
// folder (not a link) of this user's that nobody else can write; empty when
// neither is.
std::vector<std::string> MeetingFolders(const MeetingPlaces& places, bool make);

// Whether the other end of the connected local socket `descriptor` runs as
// this user: the folder keeps other users out, and this keeps out whoever
// gets in all the same (root, or a folder that changed hands after it was
// looked at).
bool PeerIsThisUser(intptr_t descriptor);
// The longest path a local socket may have.
size_t LongestSocketPath();

}  // namespace tandrel::platform
