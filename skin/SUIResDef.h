#pragma once
// The theme table as plain data: read by the theme lookups and by the
// picture generator in tools/, so both name the same pictures. No code here.
#include <cstdint>

namespace SUIResDef {

enum class TThemeKind : uint8_t { Int, Color, Name, Bool };

// Resource prefix of each style; index is the style's value (0 has none).
inline constexpr const char* StylePrefixes[6] = {"", "MACOS", "WINXP", "DEEPBLUE", "PROTEIN", "BLUEGLASS"};
inline constexpr int StyleCount = 5;  // the styles with a column: 1..5

struct TThemeEntry {
  TThemeKind Kind;
  // One value per style 1..5 (colours as 0x00BBGGRR); unused for names.
  int32_t Values[StyleCount];
  // Names: the element after "PREFIX_"; WinXP's own element when it has one.
  const char* Element = nullptr;
  const char* WinXPElement = nullptr;
  // The same picture for every style, without a prefix.
  bool Shared = false;
};

using K = TThemeKind;
constexpr TThemeEntry N(const char* element, const char* xp = nullptr) { return {K::Name, {}, element, xp, false}; }

// The entries by name; the value is the entry's number (1..95). The names
// say what reads an entry; the "Unread" ones are read by no control.
enum TThemeEntryIndex : int {
  teStyleNumber = 1,
  teFormBorderColor = 2,
  teFormColor = 3,
  teFormBorderWidth = 4,
  teUnread5 = 5,
  teTitleMinFormWidth = 6,
  teTitleRoundCorner = 7,
  teBorderColor = 8,
  teControlColor = 9,
  teGroupCaptionColor = 10,
  teSelectedBorderColor = 11,
  teSelectedColor = 12,
  teSelectedFontColor = 13,
  teUnread14 = 14,
  teMenuColor = 15,
  teFontColor = 16,
  teMenuSideBarColor = 17,
  teMenuSeparatorColor = 18,
  teUnread19 = 19,
  teMenuItemHeight = 20,
  teMenuSeparatorHeight = 21,
  teMenuSideBarWidth = 22,
  teMenuChecked = 23,
  teButtonNormal = 24,
  teButtonMouseOn = 25,
  teButtonMouseDown = 26,
  teCheckBoxDisabledChecked = 27,
  teCheckBoxDisabledUnchecked = 28,
  teCheckBoxChecked = 29,
  teCheckBoxUnchecked = 30,
  teCheckBoxMouseOnChecked = 31,
  teCheckBoxMouseOnUnchecked = 32,
  teCheckBoxMouseDownChecked = 33,
  teCheckBoxMouseDownUnchecked = 34,
  teRadioButtonDisabledChecked = 35,
  teRadioButtonDisabledUnchecked = 36,
  teRadioButtonChecked = 37,
  teRadioButtonUnchecked = 38,
  teRadioButtonMouseOnChecked = 39,
  teRadioButtonMouseOnUnchecked = 40,
  teRadioButtonMouseDownChecked = 41,
  teRadioButtonMouseDownUnchecked = 42,
  teProgressBar = 43,
  teProgressBarVertical = 44,
  teTitleLeft = 45,
  teTitleClient = 46,
  teTitleRight = 47,
  teTitleCloseNormal = 48,
  teTitleCloseMouseOn = 49,
  teTitleCloseMouseDown = 50,
  teTitleMaxNormal = 51,
  teTitleMaxMouseOn = 52,
  teTitleMaxMouseDown = 53,
  teTitleMinNormal = 54,
  teTitleMinMouseOn = 55,
  teTitleMinMouseDown = 56,
  teTitleHelpNormal = 57,
  teTitleHelpMouseOn = 58,
  teTitleHelpMouseDown = 59,
  teTitleControlBoxNormal = 60,
  teTitleControlBoxMouseOn = 61,
  teTitleControlBoxMouseDown = 62,
  teTitleRestoreNormal = 63,
  teTitleRestoreMouseOn = 64,
  teTitleRestoreMouseDown = 65,
  teTitleButtonTransparent = 66,
  teTitleLeftBtnXOffset = 67,
  teTitleRightBtnXOffset = 68,
  teTitleButtonTop = 69,
  teTabActive = 70,
  teTabInactive = 71,
  teTabLine = 72,
  teTabHeight = 73,
  teComboBoxButtonColor = 74,
  teTrackBarBar = 75,
  teTrackBarSlider = 76,
  teTrackBarBarVertical = 77,
  teTrackBarSliderVertical = 78,
  teTrackBarColor = 79,
  teToolBarButtonBorderColor = 80,
  teToolBarButtonColor = 81,
  teToolBarButtonDownColor = 82,
  teToolBarColor = 83,
  teScrollBarColor = 84,
  teScrollBarTopButtonNormal = 85,
  teScrollBarTopButtonMouseOn = 86,
  teScrollBarTopButtonMouseDown = 87,
  teScrollBarBottomButtonNormal = 88,
  teScrollBarBottomButtonMouseOn = 89,
  teScrollBarBottomButtonMouseDown = 90,
  teScrollBarTrack = 91,
  teCheckListDisabledChecked = 92,
  teCheckListDisabledUnchecked = 93,
  teCheckListChecked = 94,
  teCheckListUnchecked = 95,
};
inline constexpr int ThemeEntryCount = 95;

// Entry i is ThemeTable[i - 1].
inline constexpr TThemeEntry ThemeTable[ThemeEntryCount] = {
    /*  1 */ {K::Int, {1, 2, 3, 4, 5}},
    /*  2 */ {K::Color, {0x7F7F7F, 0xC82C00, 0x000000, 0x000000, 0x000000}},
    /*  3 */ {K::Color, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    /*  4 */ {K::Int, {1, 3, 1, 1, 1}},
    /*  5 */ {K::Int, {21, 27, 30, 21, 31}},
    /*  6 */ {K::Int, {130, 150, 130, 130, 270}},
    /*  7 */ {K::Int, {0, 13, 0, 0, 11}},
    /*  8 */ {K::Color, {0x7F7F7F, 0x686868, 0x000000, 0x000000, 0x000000}},
    /*  9 */ {K::Color, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    /* 10 */ {K::Color, {0x000000, 0xCF4602, 0x000000, 0x000000, 0x000000}},
    /* 11 */ {K::Color, {0xC47339, 0xC66931, 0xA04A44, 0xC4302D, 0xEC5E5E}},
    /* 12 */ {K::Color, {0xC47339, 0xEFD3C6, 0xA04A44, 0xC4302D, 0xEC5E5E}},
    /* 13 */ {K::Color, {0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    /* 14 */ {K::Color, {0x000000, 0x000000, 0x000000, 0x000000, 0x000000}},
    /* 15 */ {K::Color, {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE7E7E7}},
    /* 16 */ {K::Color, {0x000000, 0x000000, 0x000000, 0x000000, 0x000000}},
    /* 17 */ {K::Color, {0x000000, 0xCED3D6, 0xCED3D6, 0xCED3D6, 0xCED3D6}},
    /* 18 */ {K::Color, {0x000000, 0x848284, 0x848284, 0x848284, 0x848284}},
    /* 19 */ {K::Color, {0x000000, 0x9CA6AD, 0x9CA6AD, 0x9CA6AD, 0x9CA6AD}},
    /* 20 */ {K::Int, {20, 21, 21, 21, 21}},
    /* 21 */ {K::Int, {12, 5, 5, 5, 5}},
    /* 22 */ {K::Int, {26, 26, 26, 26, 26}},
    /* 23 */ {K::Name, {}, "MENU_CHECKED", nullptr, true},
    /* 24 */ N("BUTTON_NORMAL"),
    /* 25 */ N("BUTTON_MOUSEON"),
    /* 26 */ N("BUTTON_MOUSEDOWN"),
    /* 27 */ N("CHECKBOX_DISABLE_CHECK"),
    /* 28 */ N("CHECKBOX_DISABLE_UNCHECK"),
    /* 29 */ N("CHECKBOX_CHECK", "CHECKBOX_NORMAL_CHECK"),
    /* 30 */ N("CHECKBOX_UNCHECK", "CHECKBOX_NORMAL_UNCHECK"),
    /* 31 */ N("CHECKBOX_CHECK", "CHECKBOX_MOUSEON_CHECK"),
    /* 32 */ N("CHECKBOX_UNCHECK", "CHECKBOX_MOUSEON_UNCHECK"),
    /* 33 */ N("CHECKBOX_CHECK", "CHECKBOX_MOUSEDOWN_CHECK"),
    /* 34 */ N("CHECKBOX_UNCHECK", "CHECKBOX_MOUSEDOWN_UNCHECK"),
    /* 35 */ N("RADIOBUTTON_DISABLE_CHECK"),
    /* 36 */ N("RADIOBUTTON_DISABLE_UNCHECK"),
    /* 37 */ N("RADIOBUTTON_CHECK", "RADIOBUTTON_NORMAL_CHECK"),
    /* 38 */ N("RADIOBUTTON_UNCHECK", "RADIOBUTTON_NORMAL_UNCHECK"),
    /* 39 */ N("RADIOBUTTON_CHECK", "RADIOBUTTON_MOUSEON_CHECK"),
    /* 40 */ N("RADIOBUTTON_UNCHECK", "RADIOBUTTON_MOUSEON_UNCHECK"),
    /* 41 */ N("RADIOBUTTON_CHECK", "RADIOBUTTON_MOUSEDOWN_CHECK"),
    /* 42 */ N("RADIOBUTTON_UNCHECK", "RADIOBUTTON_MOUSEDOWN_UNCHECK"),
    /* 43 */ N("PROGRESSBAR"),
    /* 44 */ N("PROGRESSBAR_V"),
    /* 45 */ N("TITLE_LEFT"),
    /* 46 */ N("TITLE_CLIENT"),
    /* 47 */ N("TITLE_RIGHT"),
    /* 48 */ N("TITLEBTN_CLOSE_NORMAL"),
    /* 49 */ N("TITLEBTN_CLOSE_MOUSEON"),
    /* 50 */ N("TITLEBTN_CLOSE_MOUSEDOWN"),
    /* 51 */ N("TITLEBTN_MAX_NORMAL"),
    /* 52 */ N("TITLEBTN_MAX_MOUSEON"),
    /* 53 */ N("TITLEBTN_MAX_MOUSEDOWN"),
    /* 54 */ N("TITLEBTN_MIN_NORMAL"),
    /* 55 */ N("TITLEBTN_MIN_MOUSEON"),
    /* 56 */ N("TITLEBTN_MIN_MOUSEDOWN"),
    /* 57 */ N("TITLEBTN_HELP_NORMAL"),
    /* 58 */ N("TITLEBTN_HELP_MOUSEON"),
    /* 59 */ N("TITLEBTN_HELP_MOUSEDOWN"),
    /* 60 */ N("TITLEBTN_CTLBOX_NORMAL"),
    /* 61 */ N("TITLEBTN_CTLBOX_MOUSEON"),
    /* 62 */ N("TITLEBTN_CTLBOX_MOUSEDOWN"),
    /* 63 */ N("TITLEBTN_MAX_NORMAL", "TITLEBTN_RST_NORMAL"),
    /* 64 */ N("TITLEBTN_MAX_MOUSEON", "TITLEBTN_RST_MOUSEON"),
    /* 65 */ N("TITLEBTN_MAX_MOUSEDOWN", "TITLEBTN_RST_MOUSEDOWN"),
    /* 66 */ {K::Bool, {0, 0, 0, 1, 1}},
    /* 67 */ {K::Int, {3, 2, 0, 0, 4}},
    /* 68 */ {K::Int, {-2, -2, 0, 0, -3}},
    /* 69 */ {K::Int, {4, 5, 2, 2, 6}},
    /* 70 */ N("TAB_ACTIVE"),
    /* 71 */ N("TAB_INACTIVE"),
    /* 72 */ N("TAB_LINE"),
    /* 73 */ {K::Int, {34, 19, 22, 22, 22}},
    /* 74 */ {K::Color, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE9D6D5}},
    /* 75 */ N("TRACKBAR_BAR"),
    /* 76 */ N("TRACKBAR_SLIDER"),
    /* 77 */ N("TRACKBAR_BAR"),
    /* 78 */ N("TRACKBAR_SLIDER_V"),
    /* 79 */ {K::Color, {0xEEEEEE, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    /* 80 */ {K::Color, {0x474747, 0xC66931, 0x474747, 0x474747, 0x474747}},
    /* 81 */ {K::Color, {0xEFEFEF, 0xEFD3C6, 0xEFEFEF, 0xEFEFEF, 0xEFEFEF}},
    /* 82 */ {K::Color, {0xD8D8D8, 0xE1AC93, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8}},
    /* 83 */ {K::Color, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    /* 84 */ {K::Color, {0xC9C9C9, 0xF9F9F9, 0xF5F5F5, 0xF5F5F5, 0xF4F4F4}},
    /* 85 */ N("SCROLLBAR_TOPBUTTON_NORMAL"),
    /* 86 */ N("SCROLLBAR_TOPBUTTON_MOUSEON"),
    /* 87 */ N("SCROLLBAR_TOPBUTTON_MOUSEDOWN"),
    /* 88 */ N("SCROLLBAR_BTMBUTTON_NORMAL"),
    /* 89 */ N("SCROLLBAR_BTMBUTTON_MOUSEON"),
    /* 90 */ N("SCROLLBAR_BTMBUTTON_MOUSEDOWN"),
    /* 91 */ N("SCROLLBAR_TRACK"),
    /* 92 */ N("CHECKLIST_DISABLE_CHECK"),
    /* 93 */ N("CHECKLIST_DISABLE_UNCHECK"),
    /* 94 */ N("CHECKLIST_CHECK"),
    /* 95 */ N("CHECKLIST_UNCHECK"),
};

// Pictures no entry names, read by particular controls.
inline constexpr const char* ExtraPictures[] = {
    "MACOS_FORM_BACKGROUND",   "PROTEIN_FORM_BACKGROUND", "MACOS_MENU_BAR",          "MACOS_MENU_SELECT",
    "MACOS_COMBOBOX_BUTTON",   "SIDECHANNEL_BAR_NORMAL",  "SIDECHANNEL_BAR_MOUSEON", "SIDECHANNEL_BTN_ONTOP",
    "SIDECHANNEL_BTN_NOONTOP", "FONTCOMBO_TRUETYPE_FNT",  "FONTCOMBO_DEVICE_FNT",
};

// The table row of a named entry.
constexpr const TThemeEntry& EntryOf(TThemeEntryIndex index) { return ThemeTable[index - 1]; }

// The element of entry index (1..95) for style (1..5), nullptr for other kinds.
constexpr const char* ElementOf(int style, int index) {
  const TThemeEntry& e = ThemeTable[index - 1];
  if (e.Kind != K::Name) return nullptr;
  return style == 2 && e.WinXPElement ? e.WinXPElement : e.Element;
}

// The names stand where the table has their pictures.
constexpr bool SameText(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
constexpr bool Names(TThemeEntryIndex index, const char* element) {
  return EntryOf(index).Kind == K::Name && SameText(EntryOf(index).Element, element);
}
static_assert(Names(teMenuChecked, "MENU_CHECKED") && Names(teButtonNormal, "BUTTON_NORMAL") &&
              Names(teCheckBoxDisabledChecked, "CHECKBOX_DISABLE_CHECK") &&
              Names(teRadioButtonMouseDownUnchecked, "RADIOBUTTON_UNCHECK") && Names(teProgressBar, "PROGRESSBAR") &&
              Names(teTitleLeft, "TITLE_LEFT") && Names(teTitleRestoreMouseDown, "TITLEBTN_MAX_MOUSEDOWN") &&
              Names(teTabActive, "TAB_ACTIVE") && Names(teTrackBarSliderVertical, "TRACKBAR_SLIDER_V") &&
              Names(teScrollBarTopButtonNormal, "SCROLLBAR_TOPBUTTON_NORMAL") &&
              Names(teCheckListUnchecked, "CHECKLIST_UNCHECK") && teCheckListUnchecked == ThemeEntryCount);
static_assert(EntryOf(teTitleButtonTransparent).Kind == K::Bool && EntryOf(teTabHeight).Kind == K::Int &&
              EntryOf(teMenuSeparatorHeight).Kind == K::Int && EntryOf(teScrollBarColor).Kind == K::Color);

}  // namespace SUIResDef
