#include "win32ui/console.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "platform/win32/wide.h"

namespace tandrel::win32 {
namespace {

bool Leads(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  return handle && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
  const bool out = Leads(STD_OUTPUT_HANDLE);
  const bool err = Leads(STD_ERROR_HANDLE);
  if (out && err) return;
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out) std::freopen("CONOUT$", "w", stdout);
  if (!err) std::freopen("CONOUT$", "w", stderr);
}

bool HasStandardError() { return Leads(STD_ERROR_HANDLE); }

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(platform::win32::Narrow(std::wstring(wide[i])));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace tandrel::win32
