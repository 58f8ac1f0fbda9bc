#pragma once
// UTF-8 inside the program, UTF-16 at the Win32 API: the one place where
// texts and paths cross that border.

#include <string>

namespace tandrel::platform::win32 {

std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(const std::wstring& text);

// `path` as the Win32 API takes it whatever its length: absolute, with
// backslashes, and with the "\\?\" prefix that lifts the MAX_PATH limit
// ("\\?\UNC\" for a share).
std::wstring LongPath(const std::string& path);
// The final path of an open entry ("\\?\C:\..."), links resolved; empty
// when the system cannot tell it.
std::wstring FinalPath(void* handle);
// The reverse for a path the system gives back: the prefix dropped.
std::string ShortForm(const std::wstring& path);

}  // namespace tandrel::platform::win32
