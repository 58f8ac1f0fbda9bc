#pragma once
// The jobs dialog's layout, shared by both front ends: the job box along
// the top, the non-active list, the buttons that move jobs between the
// lists, and the active list.

#include "ui/dialog_layout.h"

namespace tandrel::ui::jobs_layout {

inline constexpr int kClientWidth = 698;
inline constexpr int kClientHeight = 437;
inline constexpr int kItemHeight = 13;  // of a list entry

// The boxes, in the client area.
inline constexpr Captioned kJobBox{" Job ", {0, 0, 697, 121}};
inline constexpr Captioned kNonActiveBox{" Non active jobs ", {0, 128, 273, 289}};
inline constexpr Captioned kMoveBox{"", {280, 128, 105, 289}};
inline constexpr Captioned kActiveBox{" Active jobs ", {392, 128, 305, 289}};
inline constexpr Rect kStatusBar{0, kClientHeight - 19, kClientWidth, 19};

// In the job box: the fields with their labels and the folder buttons.
inline constexpr Rect kNameField{64, 16, 121, 21};
inline constexpr Rect kSourceField{64, 40, 297, 21};
inline constexpr Rect kDestinationField{64, 64, 297, 21};
inline constexpr Rect kFileMaskField{64, 88, 121, 21};
inline constexpr Captioned kNameLabel{"Name", LabelBeside(kNameField, 16, 41)};
inline constexpr Captioned kSourceLabel{"From", LabelBeside(kSourceField, 16, 41)};
inline constexpr Captioned kDestinationLabel{"To", LabelBeside(kDestinationField, 16, 41)};
inline constexpr Captioned kFileMaskLabel{"FileMask", LabelBeside(kFileMaskField, 16, 42)};
inline constexpr Rect kBrowseSource{362, 40, 23, 22};
inline constexpr Rect kBrowseDestination{362, 64, 23, 22};
// The switches, 17 pixels high; the right column stands far enough from the
// box's right frame that its widest caption keeps clear of the line.
inline constexpr Captioned kAlways{"Always", {408, 16, 105, 17}};
inline constexpr Captioned kHandleAsServer{"Handle \"From\" as server", {408, 40, 153, 17}};
inline constexpr Captioned kHandleAsClient{"Handle \"From\" as client", {408, 64, 138, 17}};
inline constexpr Captioned kIncludeSubDirs{"Include subdirs", {548, 16, 97, 17}};
inline constexpr Captioned kDeleteEmptySubDirs{"Del empty \"From\" subdirs", {548, 40, 141, 17}};
inline constexpr Captioned kCleanupDestination{"Cleanup destination", {548, 64, 129, 17}};
inline constexpr Captioned kVerify{"Verify after copy", {548, 88, 129, 17}};
inline constexpr char kHandleAsServerHint[] = "copy to client, clear archive";
inline constexpr char kHandleAsClientHint[] =
    "when not present on server then when client archive set, copy to server else delete client";

// In each list's box.
inline constexpr Captioned kSaveNonActive{"Save", {40, 16, 81, 25}};
inline constexpr Captioned kDeleteNonActive{"Delete", {150, 16, 83, 25}};
inline constexpr Captioned kSaveActive{"Save", {40, 16, 81, 25}};
inline constexpr Captioned kDeleteActive{"Delete", {152, 16, 81, 25}};
inline constexpr Rect kList{16, 56, 241, 225};
inline constexpr Rect kMoveUp{266, 115, 23, 22};  // in the active box only
inline constexpr Rect kMoveDown{266, 155, 23, 22};

// In the box between the lists.
inline constexpr Captioned kToActive{"   Active   ", {10, 104, 87, 25}};
inline constexpr Captioned kToNonActive{"Non active", {10, 137, 87, 25}};
inline constexpr Captioned kClose{"   Close   ", {10, 248, 87, 25}};

}  // namespace tandrel::ui::jobs_layout
