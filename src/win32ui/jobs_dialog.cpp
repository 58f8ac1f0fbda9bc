#include "win32ui/jobs_dialog.h"

#include <commctrl.h>

#include "platform/win32/wide.h"

namespace tandrel::win32 {
namespace {

using platform::win32::Wide;
using ui::JobList;

constexpr int kClientWidth = 698;
constexpr int kClientHeight = 437;
constexpr int kItemHeight = 13;
// Group boxes: positions inside them count from their corner.
constexpr POINT kJob{0, 0}, kNonActive{0, 128}, kMove{280, 128}, kActive{392, 128};

struct Switch {
  int id;
  const char* caption;
  int left, top, width;
};
// In the tab order of the job box, with the file mask between them.
const Switch kSwitchesBeforeMask[] = {
    {kIdAlways, "Always", 408, 16, 105},
    {kIdHandleAsServer, "Handle \"From\" as server", 408, 40, 153},
    {kIdHandleAsClient, "Handle \"From\" as client", 408, 64, 138},
    {kIdIncludeSubDirs, "Include subdirs", 552, 16, 97},
    {kIdDelEmptySubDirs, "Del empty \"From\" subdirs", 552, 40, 141},
};
const Switch kSwitchesAfterMask[] = {
    {kIdCleanupDest, "Cleanup destination", 552, 64, 129},
    {kIdVerify, "Verify after copy", 552, 88, 129},
};

}  // namespace

TfConfigJobs::TfConfigJobs(const std::string& configPath) : editor_(configPath, *this, prompter_) { Build(); }

TfConfigJobs::~TfConfigJobs() {
  if (tips_) ::DestroyWindow(tips_);
}

void TfConfigJobs::Build() {
  const HMENU bar = ::CreateMenu();
  const HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kIdJobsClose, L"&Close");
  const HMENU job = ::CreatePopupMenu();
  ::AppendMenuW(job, MF_STRING, kIdSaveNonActive, L"Save &Non active");
  ::AppendMenuW(job, MF_STRING, kIdDeleteNonActive, L"&Delete Non active");
  ::AppendMenuW(job, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(job, MF_STRING, kIdSaveActive, L"&Save Active");
  ::AppendMenuW(job, MF_STRING, kIdDeleteActive, L"D&elete Active");
  ::AppendMenuW(job, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(job, MF_STRING, kIdMoveToActive, L"Move to &Active");
  ::AppendMenuW(job, MF_STRING, kIdMoveToNonActive, L"&Move to Non active");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(job), L"&Job");
  CreateForm("Configuration Jobs", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_CONTROLPARENT,
             kClientWidth, kClientHeight, bar, true);

  const auto in = [this](POINT box, const wchar_t* cls, const char* text, DWORD style, int left, int top,
                         int width, int height, int id, DWORD exStyle = 0) {
    return Add(cls, text, style, box.x + left, box.y + top, width, height, id, exStyle);
  };
  const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
  // Made in the tab order; what takes no focus follows.
  in(kJob, L"EDIT", "", edit, 64, 16, 121, 21, kIdJobName, WS_EX_CLIENTEDGE);
  in(kJob, L"EDIT", "", edit, 64, 40, 297, 21, kIdSource, WS_EX_CLIENTEDGE);
  in(kJob, L"EDIT", "", edit, 64, 64, 297, 21, kIdDest, WS_EX_CLIENTEDGE);
  for (const Switch& s : kSwitchesBeforeMask)
    in(kJob, L"BUTTON", s.caption, WS_TABSTOP | BS_AUTOCHECKBOX, s.left, s.top, s.width, 17, s.id);
  in(kJob, L"EDIT", "*.*", edit, 64, 88, 121, 21, kIdFileMask, WS_EX_CLIENTEDGE);
  for (const Switch& s : kSwitchesAfterMask)
    in(kJob, L"BUTTON", s.caption, WS_TABSTOP | BS_AUTOCHECKBOX, s.left, s.top, s.width, 17, s.id);

  struct PictureButton {
    POINT box;
    int id;
    const char* caption;
    Glyph glyph;
    int left, top, width;
  };
  const DWORD list = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  const PictureButton nonActiveButtons[] = {
      {kNonActive, kIdSaveNonActiveButton, "Save", Glyph::Save, 40, 16, 81},
      {kNonActive, kIdDeleteNonActiveButton, "Delete", Glyph::WasteBin, 150, 16, 83}};
  const PictureButton moveButtons[] = {
      {kMove, kIdToActiveButton, "   Active   ", Glyph::HandRight, 10, 104, 87},
      {kMove, kIdToNonActiveButton, "Non active", Glyph::HandLeft, 10, 137, 87},
      {kMove, kIdJobsCloseButton, "   Close   ", Glyph::Door, 10, 248, 87}};
  const PictureButton activeButtons[] = {
      {kActive, kIdSaveActiveButton, "Save", Glyph::Save, 40, 16, 81},
      {kActive, kIdDeleteActiveButton, "Delete", Glyph::WasteBin, 152, 16, 81}};
  const auto buttons = [&](const auto& row) {
    for (const PictureButton& b : row)
      SetGlyph(in(b.box, L"BUTTON", b.caption, WS_TABSTOP | BS_PUSHBUTTON, b.left, b.top, b.width, 25, b.id),
               b.glyph);
  };
  buttons(nonActiveButtons);
  in(kNonActive, L"LISTBOX", "", list, 16, 56, 241, 225, kIdNonActiveList, WS_EX_CLIENTEDGE);
  buttons(moveButtons);
  buttons(activeButtons);
  in(kActive, L"LISTBOX", "", list, 16, 56, 241, 225, kIdActiveList, WS_EX_CLIENTEDGE);

  // Tool buttons are clicked, never tabbed to.
  SetGlyph(in(kJob, L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, 362, 40, 23, 22, kIdFrom), Glyph::OpenFolder);
  SetGlyph(in(kJob, L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, 362, 64, 23, 22, kIdTo), Glyph::OpenFolder);
  SetGlyph(in(kActive, L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, 266, 115, 23, 22, kIdMoveUp), Glyph::HandUp);
  SetGlyph(in(kActive, L"BUTTON", "", BS_PUSHBUTTON | BS_ICON, 266, 155, 23, 22, kIdMoveDown),
           Glyph::HandDown);

  // Labels on their fields' lines, then the frames below everything.
  in(kJob, L"STATIC", "Name", 0, 16, 16 + 3, 41, 13, -1);
  in(kJob, L"STATIC", "From", 0, 16, 40 + 3, 41, 13, -1);
  in(kJob, L"STATIC", "To", 0, 16, 64 + 3, 41, 13, -1);
  in(kJob, L"STATIC", "FileMask", 0, 16, 88 + 3, 42, 13, -1);
  in(kJob, L"BUTTON", " Job ", BS_GROUPBOX, 0, 0, 697, 121, -1);
  in(kNonActive, L"BUTTON", " Non active jobs ", BS_GROUPBOX, 0, 0, 273, 289, -1);
  in(kMove, L"BUTTON", "", BS_GROUPBOX, 0, 0, 105, 289, -1);
  in(kActive, L"BUTTON", " Active jobs ", BS_GROUPBOX, 0, 0, 305, 289, -1);
  Add(STATUSCLASSNAMEW, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, kClientHeight - 19,
      kClientWidth, 19, kIdConfigStatus);

  // Only the two switches of server and client have hints.
  tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                            ::GetModuleHandleW(nullptr), nullptr);
  const std::pair<int, const char*> hints[] = {
      {kIdHandleAsServer, "copy to client, clear archive"},
      {kIdHandleAsClient,
       "when not present on server then when client archive set, copy to server else delete client"}};
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

void TfConfigJobs::Layout() {
  Form::Layout();
  for (JobList list : {JobList::NonActive, JobList::Active})
    ::SendMessageW(List(list), LB_SETITEMHEIGHT, 0, Scaled(kItemHeight, Dpi()));
}

void TfConfigJobs::Placing() {
  CentreOver(::GetWindow(Handle(), GW_OWNER));
  editor_.Shown();
}

void TfConfigJobs::Hidden() { editor_.Hidden(); }

void TfConfigJobs::Command(int id, int code, HWND) {
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

HWND TfConfigJobs::List(JobList list) const {
  return Control(list == JobList::Active ? kIdActiveList : kIdNonActiveList);
}

JobRecord TfConfigJobs::EditorRecord() const {
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

void TfConfigJobs::ShowInEditor(const JobRecord& job) {
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

void TfConfigJobs::ShowSource(const std::string& folder) { SetWindowText(Control(kIdSource), folder); }

void TfConfigJobs::ShowDestination(const std::string& folder) { SetWindowText(Control(kIdDest), folder); }

void TfConfigJobs::ShowEntries(JobList list, const std::vector<std::string>& names) {
  ::SendMessageW(List(list), LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) AddEntry(list, name);
}

void TfConfigJobs::AddEntry(JobList list, const std::string& name) {
  ::SendMessageW(List(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
}

void TfConfigJobs::RemoveEntry(JobList list, int row) { ::SendMessageW(List(list), LB_DELETESTRING, row, 0); }

void TfConfigJobs::MoveEntry(JobList list, int from, int to) {
  const HWND box = List(list);
  std::wstring text(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, from, 0)) + 1, L'\0');
  ::SendMessageW(box, LB_GETTEXT, from, reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.size() - 1);
  ::SendMessageW(box, LB_DELETESTRING, from, 0);
  ::SendMessageW(box, LB_INSERTSTRING, to, reinterpret_cast<LPARAM>(text.c_str()));
}

int TfConfigJobs::SelectedRow(JobList list) const {
  return static_cast<int>(::SendMessageW(List(list), LB_GETCURSEL, 0, 0));
}

void TfConfigJobs::SelectRow(JobList list, int row) { ::SendMessageW(List(list), LB_SETCURSEL, row, 0); }

void TfConfigJobs::ShowStatus(const std::string& text) {
  ::SendMessageW(Control(kIdConfigStatus), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

}  // namespace tandrel::win32
