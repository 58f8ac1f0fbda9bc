#include "cli/display_platform.h"

#include <cstdlib>

#include "platform/start.h"

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
  const bool none = NoDisplayNamed();
  platform::SetEnvironment("QT_QPA_PLATFORM", IsSet("DISPLAY")           ? "xcb;offscreen"
                                              : IsSet("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen"
                                                                         : "offscreen");
  return none;
}

bool DebugWanted() { return IsSet("TANDREL_DEBUG"); }

}  // namespace tandrel
