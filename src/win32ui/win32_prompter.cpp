#include "win32ui/win32_prompter.h"

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/wide.h"
#include "program/unattended.h"
#include "win32ui/form.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Wide;

// The window a box belongs to: the form shown modally last, otherwise the
// program's active window; none when the program has none.
HWND BoxOwner() {
  const auto& modal = Form::ModalForms();
  if (!modal.empty() && ::IsWindowVisible(modal.back()->Handle())) return modal.back()->Handle();
  return ::GetActiveWindow();
}

// Line breaks as the box shows them: CR LF.
std::wstring BoxText(const std::string& text) {
  std::wstring wide = Wide(text), out;
  for (size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r') continue;
    if (wide[i] == L'\n') out += L'\r';
    out += wide[i];
  }
  return out;
}

int CALLBACK BrowseStart(HWND browser, UINT message, LPARAM, LPARAM start) {
  // Asked once more when the browser's loop runs: on its first showing in
  // the process the tree may still be filling when it says it is ready.
  // The path outlives the browser.
  if (message == BFFM_INITIALIZED && start) {
    ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
    ::PostMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
  }
  return 0;
}

}  // namespace

ui::Button Win32Prompter::Ask(const ui::Question& question) {
  UINT type = question.icon == ui::BoxIcon::Critical ? MB_ICONHAND : MB_ICONWARNING;
  if (question.buttons == ui::BoxButtons::YesNo) {
    type |= MB_YESNO;
    if (question.defaultButton == ui::Button::No) type |= MB_DEFBUTTON2;
  } else {
    type |= MB_OK;
  }
  switch (::MessageBoxW(BoxOwner(), BoxText(question.text).c_str(), Wide(question.caption).c_str(), type)) {
    case IDYES:
      return ui::Button::Yes;
    case IDNO:
      return ui::Button::No;
    case IDOK:
      return ui::Button::Ok;
    default:
      return ui::Button::None;
  }
}

std::string Win32Prompter::BrowseForFolder(const std::string& caption, const std::string& startFolder) {
  const std::wstring title = Wide(caption);
  const std::wstring start = Wide(startFolder);
  BROWSEINFOW info{};
  info.hwndOwner = BoxOwner();
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
  info.lpfn = BrowseStart;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
  if (!chosen) return {};
  std::vector<wchar_t> path(32768, L'\0');
  const bool got =
      ::SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  ::CoTaskMemFree(chosen);
  return got ? Narrow(std::wstring(path.data())) : std::string();
}

std::string Win32Prompter::OpenFile(const std::string& startFolder, const std::string& description,
                                    const std::string& pattern) {
  // "Log files (*.log)", then the pattern: one entry of the filter list.
  std::wstring filter = Wide(description + " (" + pattern + ")");
  filter += L'\0';
  filter += Wide(pattern);
  filter += L'\0';
  const std::wstring folder = Wide(startFolder);
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = BoxOwner();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!::GetOpenFileNameW(&dialog)) return {};
  return Narrow(std::wstring(file.data()));
}

bool Win32Prompter::OpenWithDesktop(const std::string& pathOrUrl) {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, nullptr, Wide(pathOrUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

void Win32Prompter::ShowError(const std::string& text) { ShowErrorBox(text); }

void ShowErrorBox(const std::string& text) {
  ::MessageBoxW(BoxOwner(), BoxText(text).c_str(), Wide(kApplicationTitle).c_str(), MB_OK | MB_ICONHAND);
}

}  // namespace tandrel::win32
