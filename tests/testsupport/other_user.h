#pragma once
// A piece of a test run as another, unprivileged user: only root can switch,
// so the tests that need a file of someone else run in the root pass.

#include <sys/types.h>

#include <functional>
#include <string>

namespace tandrel::test {

// True when the tests run as root, who passes every permission bit.
bool Privileged();

// Runs `action` in a child process that has become the user "nobody" (no
// supplementary groups) and returns what it returned (0..253). -1 when this
// process is not root or the switch failed.
int AsOtherUser(const std::function<int()>& action);
// Gives `path` (a link itself, not what it names) to the user "nobody";
// false when this process is not root or the change failed.
bool GiveToOtherUser(const std::string& path);
// Starts `action` as AsOtherUser runs it, without waiting for its end;
// `asRoot`, when given, runs in the child before it becomes that user.
// Returns the child's process id, or -1 when this process is not root.
pid_t StartAsOtherUser(const std::function<int()>& action, const std::function<void()>& asRoot = {});
// Waits for a child StartAsOtherUser started, and returns what AsOtherUser
// would have.
int WaitForOtherUser(pid_t child);

}  // namespace tandrel::test
