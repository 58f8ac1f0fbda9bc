#include <langinfo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <clocale>
#include <cstring>
#include <vector>

#include "platform/platform.h"

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

void InitLocale() { std::setlocale(LC_ALL, ""); }

std::string LongTimeText(const std::tm& t) {
  const char* format = ::nl_langinfo(T_FMT);
  if (!format || !*format) format = "%H:%M:%S";
  char buffer[128];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &t);
  return std::string(buffer, n);
}

char DecimalSeparator() {
  const std::lconv* lc = std::localeconv();
  return lc && lc->decimal_point && lc->decimal_point[0] ? lc->decimal_point[0] : '.';
}

std::string UpperCaseLocale(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace tandrel::platform
