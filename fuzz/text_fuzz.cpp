// The time and number text routines on arbitrary text. The whole input is the
// text for GSFormatTime and GSFormatNumber (whose other arguments come from
// its last bytes); for GSFindNPos the part before the first line feed is the
// substring and the rest the text searched.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "support/number_text.h"

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

void CheckStripNumber(const std::string& text) {
  const std::string got = tandrel::GSStripANumFromString(text);
  if (got != DigitsOf(text)) Fail("GSStripANumFromString(" + Quoted(text) + ") = " + Quoted(got));
}

// ---- GSFormatTime ---------------------------------------------------------

void CheckFormatTime(const std::string& text) {
  // The last four digits, "0" in front when there are fewer, read as HHMM.
  std::string last4 = "0000" + DigitsOf(text);
  last4.erase(0, last4.size() - 4);
  const int hours = (last4[0] - '0') * 10 + (last4[1] - '0');
  const int minutes = (last4[2] - '0') * 10 + (last4[3] - '0');

  for (const bool carry : {false, true}) {
    const std::string got = tandrel::GSFormatTime(text, carry);
    const auto call = [&] {
      return "GSFormatTime(" + Quoted(text) + ", " + (carry ? "true" : "false") + ") = " + Quoted(got);
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

// ---- GSFormatNumber -------------------------------------------------------

// The routine's contract worked through on one string R, step by step:
// separators become `ds`, only the first stays, the integer part is cut or
// padded to `intDigits`, the fraction cut or padded to `fracDigits`, a
// trailing separator goes, and in free width leading zeros go. R holds only
// digits and separators, so `placeholder` (neither) stands for the fill
// until the end; that keeps a fill equal to the separator from being
// mistaken for it.
std::string ModelFormatNumber(std::string_view text, int intDigits, int fracDigits, char fill, char ds) {
  const char placeholder = ds == '#' ? '@' : '#';
  const auto w = static_cast<size_t>(intDigits);
  const auto f = static_cast<size_t>(fracDigits);
  std::string r;
  for (char c : text) {
    if (IsDigit(c)) r += c;
    if (c == '.' || c == ',') r += ds;
  }
  size_t sep = r.find(ds);
  if (sep == std::string::npos) {
    sep = r.size();
    r += ds;
  } else {
    for (size_t i = r.size(); i-- > sep + 1;) {
      if (r[i] == ds) r.erase(i, 1);
    }
  }
  if (w != 0) {
    while (sep > w) {
      r.erase(0, 1);
      --sep;
    }
    while (sep < w) {
      r.insert(0, 1, placeholder);
      ++sep;
    }
  }
  if (f != 0) {
    while (r.size() - sep - 1 < f) r += '0';
    r.resize(sep + 1 + f);
  }
  if (r.back() == ds) r.pop_back();
  if (w == 0 && !r.empty()) {
    while (r.size() > 1 && r[0] == '0') r.erase(0, 1);
    if (r[0] == ds) r.insert(0, 1, '0');
  }
  for (char& c : r) {
    if (c == placeholder) c = fill;
  }
  return r;
}

// The counts, the fill and the separator come from the last bytes of the
// input; the text is the whole input.
void CheckFormatNumber(const std::string& text) {
  static constexpr char kSeparators[] = {'.', ',', ' ', '\''};
  FuzzedDataProvider fdp(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const int w = fdp.ConsumeIntegralInRange(0, 12);
  const int f = fdp.ConsumeIntegralInRange(0, 6);
  const char ds = fdp.PickValueInArray(kSeparators);
  // Mostly a fill that makes sense; sometimes any byte, the separator too.
  const char fill = fdp.ConsumeBool() ? fdp.ConsumeIntegral<char>() : (fdp.ConsumeBool() ? '0' : ' ');

  const std::string got = tandrel::GSFormatNumber(text, w, f, fill, ds);
  const auto call = [&] {
    return "GSFormatNumber(" + Quoted(text) + ", " + std::to_string(w) + ", " + std::to_string(f) + ", " +
           Quoted(std::string(1, fill)) + ", " + Quoted(std::string(1, ds)) + ") = " + Quoted(got);
  };
  const std::string expected = ModelFormatNumber(text, w, f, fill, ds);
  if (got != expected) Fail(call() + ", expected " + Quoted(expected));
  // The same promises once more in their own words, so that a fault shared
  // by the model and the routine still shows.
  if (!got.empty() && got.back() == ds && !(fill == ds && w > 0 && got.size() == static_cast<size_t>(w))) {
    Fail(call() + ": trailing separator");
  }
  if (w > 0 && got.size() != static_cast<size_t>(w) &&
      (got.size() < static_cast<size_t>(w) + 2 || got[static_cast<size_t>(w)] != ds)) {
    Fail(call() + ": integer part not " + std::to_string(w) + " wide");
  }
  if (f > 0 &&
      (got.size() < static_cast<size_t>(f) + 1 || got[got.size() - static_cast<size_t>(f) - 1] != ds)) {
    Fail(call() + ": fraction not " + std::to_string(f) + " long");
  }

  // Negative counts are taken as free width.
  for (const int negative : {-1, std::numeric_limits<int32_t>::min()}) {
    if (tandrel::GSFormatNumber(text, negative, f, fill, ds) !=
            tandrel::GSFormatNumber(text, 0, f, fill, ds) ||
        tandrel::GSFormatNumber(text, w, negative, fill, ds) !=
            tandrel::GSFormatNumber(text, w, 0, fill, ds)) {
      Fail("GSFormatNumber(" + Quoted(text) + ") with a negative count differs from free width");
    }
  }
}

// ---- GSFindNPos ------------------------------------------------------------

void CheckFindNPos(const std::string& sub, const std::string& text) {
  // Every start of the substring, overlapping ones included, found the slow way.
  std::vector<int32_t> starts;
  if (!sub.empty()) {
    for (size_t i = 0; i + sub.size() <= text.size(); ++i) {
      if (text.compare(i, sub.size(), sub) == 0) starts.push_back(static_cast<int32_t>(i + 1));
    }
  }
  const auto count = static_cast<int32_t>(starts.size());
  const auto call = [&](int32_t n) {
    return "GSFindNPos(" + Quoted(sub) + ", " + Quoted(text) + ", " + std::to_string(n) + ")";
  };

  int32_t previous = 0;
  for (int32_t n = 1; n <= count && n <= 64; ++n) {
    const int32_t got = tandrel::GSFindNPos(sub, text, n);
    if (got < 1 || static_cast<size_t>(got) + sub.size() - 1 > text.size() ||
        text.compare(static_cast<size_t>(got - 1), sub.size(), sub) != 0) {
      Fail(call(n) + " = " + std::to_string(got) + ": no occurrence there");
    }
    if (got <= previous) Fail(call(n) + " = " + std::to_string(got) + ": not after occurrence n-1");
    if (got != starts[static_cast<size_t>(n - 1)]) {
      Fail(call(n) + " = " + std::to_string(got) + ", expected " +
           std::to_string(starts[static_cast<size_t>(n - 1)]));
    }
    previous = got;
  }
  if (count > 0 && tandrel::GSFindNPos(sub, text, count) != starts.back())
    Fail(call(count) + ": not the last one");
  for (const int32_t beyond :
       {count + 1, std::numeric_limits<int32_t>::max(), 0, -1, std::numeric_limits<int32_t>::min()}) {
    if (tandrel::GSFindNPos(sub, text, beyond) != 0) Fail(call(beyond) + " is not 0");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckStripNumber(input);
  CheckFormatTime(input);
  CheckFormatNumber(input);

  const size_t split = input.find('\n');
  if (split == std::string::npos) {
    CheckFindNPos(input.substr(0, 2), input);
  } else {
    CheckFindNPos(input.substr(0, split), input.substr(split + 1));
  }
  return 0;
}
