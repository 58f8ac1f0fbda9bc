#pragma once
// The synchronisation time as the settings dialog's time field holds it.

#include <string>

namespace tandrel {

// The field's text once the field is left, for a non-empty `text`: the time
// as GSFormatTime carries it, "hh:mm" with minutes below 60; the hours wrap
// into one day, unless the time is an `interval`, which holds at most 99:59.
std::string NormalisedOnExit(const std::string& text, bool interval);

}  // namespace tandrel
