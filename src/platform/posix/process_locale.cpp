#include <sys/resource.h>
#include <unistd.h>

#include <locale.h>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <vector>

#include "platform/process.h"
#include "platform/speed_hooks.h"
#include "platform/utf8.h"

namespace tandrel::platform {

std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ErrorText(int error) { return std::strerror(error); }

uint64_t BlocksReadByThisThread() {
  struct rusage usage;
  if (::getrusage(RUSAGE_THREAD, &usage) != 0 || usage.ru_inblock < 0) return 0;
  return static_cast<uint64_t>(usage.ru_inblock);
}

bool BlocksAreCounted() {
  // The kernel keeps them with each task's input and output, which it
  // shows there when it keeps them at all.
  static const bool counted = ::access("/proc/self/io", R_OK) == 0;
  return counted;
}

void InitLocale() { std::setlocale(LC_ALL, ""); }

std::string FoldCase(const std::string& name) {
  // Unicode's case rules, not the user's locale's: the disk's rules do not
  // change with the locale a run happens to start in.
  static const locale_t unicode = [] {
    const locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l ? l : ::newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }();
  std::string out;
  out.reserve(name.size());
  const auto* at = reinterpret_cast<const unsigned char*>(name.data());
  const auto* const end = at + name.size();
  while (at < end) {
    if (*at < 0x80) {
      out += static_cast<char>(*at >= 'a' && *at <= 'z' ? *at - 'a' + 'A' : *at);
      ++at;
      continue;
    }
    size_t length = 0;
    const char32_t code = DecodeUtf8(at, end, length);
    if (length == 0) {
      out += static_cast<char>(*at++);  // bytes that are no UTF-8 stay as they are
      continue;
    }
    const wint_t upper = unicode ? ::towupper_l(static_cast<wint_t>(code), unicode) : code;
    AppendUtf8(out, static_cast<char32_t>(upper));
    at += length;
  }
  return out;
}

std::string UpperCaseLocale(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace tandrel::platform
