// The running program and the user's locale.

#include <windows.h>

#include <clocale>
#include <vector>

#include "platform/process.h"
#include "platform/speed_hooks.h"
#include "platform/win32/wide.h"

namespace tandrel::platform {

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return win32::ShortForm(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ErrorText(int error) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 ? std::wstring(text, n) : L"Error " + std::to_wstring(error);
  if (text) ::LocalFree(text);
  // The system ends its texts with a full stop and a line break; the
  // program adds its own.
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.' ||
                              message.back() == L' '))
    message.pop_back();
  return win32::Narrow(message);
}

// The system counts no reads per thread that the read-ahead could use.
uint64_t BlocksReadByThisThread() { return 0; }
bool BlocksAreCounted() { return false; }

void InitLocale() { std::setlocale(LC_ALL, ""); }

std::string FoldCase(const std::string& name) {
  // The system's own rule for names, whatever the user's locale.
  std::wstring wide = win32::Wide(name);
  if (wide.empty()) return name;
  std::wstring upper(wide.size(), L'\0');
  const int n =
      ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                      upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (n <= 0) return name;
  upper.resize(static_cast<size_t>(n));
  return win32::Narrow(upper);
}

std::string UpperCaseLocale(const std::string& text) {
  std::wstring wide = win32::Wide(text);
  if (wide.empty()) return text;
  ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return win32::Narrow(wide);
}

}  // namespace tandrel::platform
