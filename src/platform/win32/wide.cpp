#include "platform/win32/wide.h"

#include <windows.h>

#include <vector>

namespace tandrel::platform::win32 {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(const std::wstring& text) { return Narrow(text.data(), text.size()); }

std::wstring LongPath(const std::string& path) {
  std::wstring wide = Wide(path.empty() ? std::string(".") : path);
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  std::vector<wchar_t> buffer(wide.size() + MAX_PATH);
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return wide;
    if (n < buffer.size()) {
      std::wstring full(buffer.data(), n);
      if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
      return L"\\\\?\\" + full;
    }
    buffer.resize(n + 1);
  }
}

std::wstring FinalPath(void* handle) {
  // The longest path the system knows, so that no second call is needed.
  std::vector<wchar_t> buffer(32768);
  const DWORD n = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : std::wstring();
}

std::string ShortForm(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + Narrow(path.substr(8));
  if (path.rfind(L"\\\\?\\", 0) == 0) return Narrow(path.substr(4));
  return Narrow(path);
}

}  // namespace tandrel::platform::win32
