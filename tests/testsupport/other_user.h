#pragma once
// A piece of a test run as another, unprivileged user: only root can switch,
// so the tests that need a file of someone else run in the root pass.

#include <functional>

namespace tandrel::test {

// True when the tests run as root, who passes every permission bit.
bool Privileged();

// Runs `action` in a child process that has become the user "nobody" (no
// supplementary groups) and returns what it returned (0..253). -1 when this
// process is not root or the switch failed.
int AsOtherUser(const std::function<int()>& action);

}  // namespace tandrel::test
