#pragma once
// The synchronisation time as the settings dialog's time field holds it.

#include <string>

namespace tandrel {

// "hh:mm" from the last four digits typed in `text` (zeros in front when
// fewer; anything but digits ignored). With `carry`, minutes of 60 and more
// move into the hours. Always five characters; the hours are not limited to
// 23 (an interval), and 99 hours take no carry, having no third digit.
std::string TypedTime(const std::string& text, bool carry);

// The field's text once the field is left, for a non-empty `text`: the time
// as TypedTime carries it, "hh:mm" with minutes below 60; the hours wrap
// into one day, unless the time is an `interval`, which holds at most 99:59.
std::string NormalisedOnExit(const std::string& text, bool interval);

}  // namespace tandrel
