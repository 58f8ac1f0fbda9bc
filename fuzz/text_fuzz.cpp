// The typed-time routine of the settings dialog on arbitrary text: the
// whole input is the text typed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "support/time_field.h"

namespace {

using fuzz::Fail;
using fuzz::Quoted;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string DigitsOf(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (IsDigit(c)) digits += c;
  }
  return digits;
}

void CheckFormatTime(const std::string& text) {
  // The last four digits, "0" in front when there are fewer, read as HHMM.
  std::string last4 = "0000" + DigitsOf(text);
  last4.erase(0, last4.size() - 4);
  const int hours = (last4[0] - '0') * 10 + (last4[1] - '0');
  const int minutes = (last4[2] - '0') * 10 + (last4[3] - '0');

  for (const bool carry : {false, true}) {
    const std::string got = tandrel::TypedTime(text, carry);
    const auto call = [&] {
      return "TypedTime(" + Quoted(text) + ", " + (carry ? "true" : "false") + ") = " + Quoted(got);
    };
    if (got.size() != 5 || got[2] != ':' || !IsDigit(got[0]) || !IsDigit(got[1]) || !IsDigit(got[3]) ||
        !IsDigit(got[4])) {
      Fail(call() + ": not of the form HH:MM");
    }
    const int h = (got[0] - '0') * 10 + (got[1] - '0');
    const int m = (got[3] - '0') * 10 + (got[4] - '0');
    // Carrying moves whole hours out of the minutes and never changes the
    // length of time; without carry the digits stand as typed.
    if (h * 60 + m != hours * 60 + minutes) Fail(call() + ": the time it stands for changed");
    if (!carry && (h != hours || m != minutes)) Fail(call() + ": digits moved without carry");
    // 99 hours cannot take a carry (no three-digit hours): they stay as typed.
    if (carry && m >= 60 && h != 99) Fail(call() + ": minutes of 60 or more left after carry");
    if (carry && h == 99 && m >= 60 && (hours != 99 || minutes != m))
      Fail(call() + ": 99 hours not kept as typed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckFormatTime(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
