#include "win32ui/jobs_dialog.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "ui/jobs_dialog_layout.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Wide;
using ui::JobList;

namespace layout = ui::jobs_layout;
using ui::Captioned;
using ui::Within;

constexpr DWORD kSwitch = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kPushButton = WS_TABSTOP | BS_PUSHBUTTON;

}  // namespace

JobsDialog::JobsDialog(const std::string& configPath) : editor_(configPath, *this, prompter_) { Build(); }

JobsDialog::~JobsDialog() {
  if (tips_) ::DestroyWindow(tips_);
}

void JobsDialog::Build() {
  const HMENU bar = ::CreateMenu();
  const HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdJobsClose, L"&Close");
  const HMENU jobMenu = ::CreatePopupMenu();
  ::AppendMenuW(jobMenu, MF_STRING, kIdSaveNonActive, L"Save &Non active");
  ::AppendMenuW(jobMenu, MF_STRING, kIdDeleteNonActive, L"&Delete Non active");
  ::AppendMenuW(jobMenu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(jobMenu, MF_STRING, kIdSaveActive, L"&Save Active");
  ::AppendMenuW(jobMenu, MF_STRING, kIdDeleteActive, L"D&elete Active");
  ::AppendMenuW(jobMenu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(jobMenu, MF_STRING, kIdMoveToActive, L"Move to &Active");
  ::AppendMenuW(jobMenu, MF_STRING, kIdMoveToNonActive, L"&Move to Non active");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(jobMenu), L"&Job");
  CreateForm("Configuration Jobs", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_CONTROLPARENT,
             layout::kClientWidth, layout::kClientHeight, bar, true);

  const ui::Rect job = layout::kJobBox.place, nonActive = layout::kNonActiveBox.place,
                 move = layout::kMoveBox.place, active = layout::kActiveBox.place;
  const auto in = [this](const ui::Rect& box, const wchar_t* cls, const Captioned& control, DWORD style,
                         int id, DWORD exStyle = 0) {
    return Add(cls, control.caption, style, Within(box, control.place), id, exStyle);
  };
  const auto field = [&](const ui::Rect& place, const char* text, int id) {
    Add(L"EDIT", text, WS_TABSTOP | ES_AUTOHSCROLL, Within(job, place), id, WS_EX_CLIENTEDGE);
  };
  const auto pictured = [&](const ui::Rect& box, const Captioned& button, int id, Glyph glyph) {
    SetGlyph(in(box, L"BUTTON", button, kPushButton, id), glyph);
  };
  const auto list = [&](const ui::Rect& box, int id) {
    Add(L"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
        Within(box, layout::kList), id, WS_EX_CLIENTEDGE);
  };
  // Made in the tab order; what takes no focus follows.
  field(layout::kNameField, "", kIdJobName);
  field(layout::kSourceField, "", kIdSource);
  field(layout::kDestinationField, "", kIdDest);
  in(job, L"BUTTON", layout::kAlways, kSwitch, kIdAlways);
  in(job, L"BUTTON", layout::kHandleAsServer, kSwitch, kIdHandleAsServer);
  in(job, L"BUTTON", layout::kHandleAsClient, kSwitch, kIdHandleAsClient);
  in(job, L"BUTTON", layout::kIncludeSubDirs, kSwitch, kIdIncludeSubDirs);
  in(job, L"BUTTON", layout::kDeleteEmptySubDirs, kSwitch, kIdDelEmptySubDirs);
  field(layout::kFileMaskField, "*.*", kIdFileMask);
  in(job, L"BUTTON", layout::kCleanupDestination, kSwitch, kIdCleanupDest);
  in(job, L"BUTTON", layout::kVerify, kSwitch, kIdVerify);

  pictured(nonActive, layout::kSaveNonActive, kIdSaveNonActiveButton, Glyph::Save);
  pictured(nonActive, layout::kDeleteNonActive, kIdDeleteNonActiveButton, Glyph::WasteBin);
  list(nonActive, kIdNonActiveList);
  pictured(move, layout::kToActive, kIdToActiveButton, Glyph::HandRight);
  pictured(move, layout::kToNonActive, kIdToNonActiveButton, Glyph::HandLeft);
  pictured(move, layout::kClose, kIdJobsCloseButton, Glyph::Door);
  pictured(active, layout::kSaveActive, kIdSaveActiveButton, Glyph::Save);
  pictured(active, layout::kDeleteActive, kIdDeleteActiveButton, Glyph::WasteBin);
  list(active, kIdActiveList);

  // Tool buttons are clicked, never tabbed to.
  const auto tool = [&](const ui::Rect& box, const ui::Rect& place, int id, Glyph glyph) {
    SetGlyph(in(box, L"BUTTON", {"", place}, BS_PUSHBUTTON | BS_ICON, id), glyph);
  };
  tool(job, layout::kBrowseSource, kIdFrom, Glyph::OpenFolder);
  tool(job, layout::kBrowseDestination, kIdTo, Glyph::OpenFolder);
  tool(active, layout::kMoveUp, kIdMoveUp, Glyph::HandUp);
  tool(active, layout::kMoveDown, kIdMoveDown, Glyph::HandDown);

  // Labels on their fields' lines, then the frames below everything.
  for (const Captioned& label :
       {layout::kNameLabel, layout::kSourceLabel, layout::kDestinationLabel, layout::kFileMaskLabel})
    in(job, L"STATIC", label, 0, -1);
  for (const Captioned& box : {layout::kJobBox, layout::kNonActiveBox, layout::kMoveBox, layout::kActiveBox})
    Add(L"BUTTON", box.caption, BS_GROUPBOX, box.place, -1);
  Add(STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, layout::kStatusBar,
      kIdConfigStatus);

  // Only the two switches of server and client have hints.
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  const std::pair<int, const char*> hints[] = {{kIdHandleAsServer, layout::kHandleAsServerHint},
                                               {kIdHandleAsClient, layout::kHandleAsClientHint}};
  for (const auto& [id, hint] : hints) {
    std::wstring text = Wide(hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(id));
    tool.lpszText = text.data();
    ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  Layout();
  FitCaptions();
}

void JobsDialog::Layout() {
  Form::Layout();
  for (JobList list : {JobList::NonActive, JobList::Active})
    ::SendMessageW(List(list), LB_SETITEMHEIGHT, 0, Scaled(layout::kItemHeight, Dpi()));
}

void JobsDialog::Placing() {
  CentreOver(::GetWindow(Handle(), GW_OWNER));
  editor_.Shown();
}

void JobsDialog::Hidden() { editor_.Hidden(); }

void JobsDialog::Command(int id, int code, HWND) {
  switch (id) {
    case kIdJobsClose:
    case kIdJobsCloseButton:
      Close();
      break;
    case kIdSaveNonActive:
    case kIdSaveNonActiveButton:
      editor_.Save(JobList::NonActive);
      break;
    case kIdDeleteNonActive:
    case kIdDeleteNonActiveButton:
      editor_.Delete(JobList::NonActive);
      break;
    case kIdSaveActive:
    case kIdSaveActiveButton:
      editor_.Save(JobList::Active);
      break;
    case kIdDeleteActive:
    case kIdDeleteActiveButton:
      editor_.Delete(JobList::Active);
      break;
    case kIdMoveToActive:
    case kIdToActiveButton:
      editor_.MoveToOtherList(JobList::NonActive);
      break;
    case kIdMoveToNonActive:
    case kIdToNonActiveButton:
      editor_.MoveToOtherList(JobList::Active);
      break;
    case kIdFrom:
      editor_.BrowseSource();
      break;
    case kIdTo:
      editor_.BrowseDestination();
      break;
    case kIdMoveUp:
      editor_.MoveUp();
      break;
    case kIdMoveDown:
      editor_.MoveDown();
      break;
    case kIdHandleAsClient:
      if (code == BN_CLICKED) editor_.HandleAsClientClick(Checked(kIdHandleAsClient));
      break;
    case kIdNonActiveList:
    case kIdActiveList: {
      const JobList list = id == kIdActiveList ? JobList::Active : JobList::NonActive;
      // A double click moves the job to the other list; its first click
      // has loaded it, as any click does.
      if (code == LBN_SELCHANGE) editor_.Select(list);
      if (code == LBN_DBLCLK) editor_.MoveToOtherList(list);
      break;
    }
    default:  // Enter and Esc neither save nor close
      break;
  }
}

HWND JobsDialog::List(JobList list) const {
  return Control(list == JobList::Active ? kIdActiveList : kIdNonActiveList);
}

JobRecord JobsDialog::EditorRecord() const {
  JobRecord job;
  job.name = WindowText(Control(kIdJobName));
  job.source = WindowText(Control(kIdSource));
  job.destination = WindowText(Control(kIdDest));
  job.fileMask = WindowText(Control(kIdFileMask));
  job.always = Checked(kIdAlways);
  job.handleAsServer = Checked(kIdHandleAsServer);
  job.handleAsClient = Checked(kIdHandleAsClient);
  job.includeSubDirs = Checked(kIdIncludeSubDirs);
  job.deleteEmptySubDirs = Checked(kIdDelEmptySubDirs);
  job.cleanupDestination = Checked(kIdCleanupDest);
  job.verify = Checked(kIdVerify);
  return job;
}

void JobsDialog::ShowInEditor(const JobRecord& job) {
  SetWindowText(Control(kIdJobName), job.name);
  SetWindowText(Control(kIdSource), job.source);
  SetWindowText(Control(kIdDest), job.destination);
  SetWindowText(Control(kIdFileMask), job.fileMask);
  Check(kIdAlways, job.always);
  Check(kIdHandleAsServer, job.handleAsServer);
  Check(kIdHandleAsClient, job.handleAsClient);
  Check(kIdIncludeSubDirs, job.includeSubDirs);
  Check(kIdDelEmptySubDirs, job.deleteEmptySubDirs);
  Check(kIdCleanupDest, job.cleanupDestination);
  Check(kIdVerify, job.verify);
}

void JobsDialog::ShowSource(const std::string& folder) { SetWindowText(Control(kIdSource), folder); }

void JobsDialog::ShowDestination(const std::string& folder) { SetWindowText(Control(kIdDest), folder); }

void JobsDialog::ShowEntries(JobList list, const std::vector<std::string>& names) {
  ::SendMessageW(List(list), LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) AddEntry(list, name);
}

void JobsDialog::AddEntry(JobList list, const std::string& name) {
  ::SendMessageW(List(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
}

void JobsDialog::RemoveEntry(JobList list, int row) { ::SendMessageW(List(list), LB_DELETESTRING, row, 0); }

void JobsDialog::MoveEntry(JobList list, int from, int to) {
  const HWND box = List(list);
  std::wstring text(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, from, 0)) + 1, L'\0');
  ::SendMessageW(box, LB_GETTEXT, from, reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.size() - 1);
  ::SendMessageW(box, LB_DELETESTRING, from, 0);
  ::SendMessageW(box, LB_INSERTSTRING, to, reinterpret_cast<LPARAM>(text.c_str()));
}

int JobsDialog::SelectedRow(JobList list) const {
  return static_cast<int>(::SendMessageW(List(list), LB_GETCURSEL, 0, 0));
}

void JobsDialog::SelectRow(JobList list, int row) { ::SendMessageW(List(list), LB_SETCURSEL, row, 0); }

void JobsDialog::ShowStatus(const std::string& text) {
  ::SendMessageW(Control(kIdConfigStatus), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

}  // namespace tandrel::win32
