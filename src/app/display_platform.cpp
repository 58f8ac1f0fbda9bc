#include "app/display_platform.h"

#include <cstdlib>

namespace tandrel {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool NoDisplayNamed() { return !IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"); }

bool ChooseDisplayPlatform() {
  if (IsSet("QT_QPA_PLATFORM")) return false;
  if (IsSet("DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "xcb;offscreen", 1);
    return false;
  }
  if (IsSet("WAYLAND_DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen", 1);
    return false;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}

bool DebugWanted() { return IsSet("TANDREL_DEBUG"); }

}  // namespace tandrel
