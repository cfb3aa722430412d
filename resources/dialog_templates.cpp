// The library's module entry and its resources as data: the dialog templates
// and the string table it registers with the platform. Where a dialog's
// control positions are not fixed elsewhere, the layout here is the
// library's own: labels above their controls, the buttons in a column on the
// right, everything on a 7-unit margin.
#include "platform/message.h"
#include "platform/ui/dialog_template.h"
#include "resources/library_resources.h"
#include "resources/resource.h"

namespace {

constexpr DWORD dialog_style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD child = WS_CHILD | WS_VISIBLE;
constexpr DWORD label = child | SS_LEFT;
constexpr DWORD button = child | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD default_button = child | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD check_box = child | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD edit = child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

KelmDialogTemplate dialog(UINT id, LPCSTR caption, short cx, short cy,
                          std::vector<KelmDialogControl> controls) {
  KelmDialogTemplate t;
  t.id = id;
  t.caption = caption;
  t.style = dialog_style;
  t.cx = cx;
  t.cy = cy;
  t.fontName = "MS Sans Serif";
  t.pointSize = 8;
  t.controls = std::move(controls);
  return t;
}

KelmDialogTemplate special_char() {
  return dialog(IDD_SPECIAL_CHAR, "Insert Special Character", 136, 175,
                {
                    {"STATIC", IDC_STATIC, "&Special Characters", 7, 7, 69, 11, label | WS_GROUP},
                    {"LISTBOX", IDC_SPECIAL_CHARS, "", 7, 19, 62, 149,
                     child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
                         LBS_NOINTEGRALHEIGHT},
                    {"BUTTON", IDOK, "O&K", 79, 19, 50, 14, default_button},
                    {"BUTTON", IDCANCEL, "Cancel", 79, 37, 50, 14, button},
                });
}

KelmDialogTemplate auto_complete() {
  return dialog(
      IDD_AUTO_COMPLETE, "Auto Complete Options", 271, 243,
      {
          {"BUTTON", IDC_LOAD_HISTORY, "Load history", 7, 7, 150, 10, check_box | WS_GROUP},
          {"BUTTON", IDC_ENABLE_AUTO_COMPLETE, "&Enable auto complete", 7, 20, 150, 10, check_box},
          {"STATIC", IDC_STATIC, "Auto complete text afer typing", 7, 37, 112, 8, label},
          {"EDIT", IDC_NUM_CHARS, "", 121, 35, 20, 12, edit},
          {"STATIC", IDC_STATIC, "characters", 145, 37, 40, 8, label},
          {"EDIT", IDC_NEW_WORD, "", 7, 56, 190, 14, edit},
          {"BUTTON", IDC_AC_ADD, "&Add", 207, 56, 57, 14, button},
          {"LISTBOX", IDC_AC_WORDS, "", 7, 74, 190, 162,
           child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT},
          {"BUTTON", IDC_AC_DELETE, "&Delete", 207, 74, 57, 14, button},
          {"BUTTON", IDOK, "OK", 207, 204, 57, 14, default_button},
          {"BUTTON", IDCANCEL, "Cancel", 207, 222, 57, 14, button},
      });
}

KelmDialogTemplate lexicons() {
  return dialog(
      IDD_LEXICONS, "Lexicons", 232, 161,
      {
          {"STATIC", IDC_STATIC, "&Lexicons", 7, 7, 70, 8, label},
          {"LISTBOX", IDC_LEXICON_LIST, "", 7, 17, 70, 72,
           child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT},
          {"STATIC", IDC_STATIC, "&Words", 84, 7, 80, 8, label},
          {"COMBOBOX", IDC_WORDS, "", 84, 17, 80, 137,
           child | WS_VSCROLL | WS_TABSTOP | CBS_SIMPLE | CBS_SORT | CBS_AUTOHSCROLL},
          {"STATIC", IDC_STATIC, "A&ction", 7, 94, 70, 8, label},
          {"COMBOBOX",
           IDC_ACTION,
           "",
           7,
           104,
           70,
           80,
           child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
           0,
           {"Auto change using corrected case", "Auto change using original case",
            "Conditionally change using corrected case", "Conditionally change using original case",
            "Ignore", "Exclude"}},
          {"STATIC", IDC_STATIC, "Correct &Spelling", 7, 124, 70, 8, label},
          {"EDIT", IDC_CORRECT_SPELLING, "", 7, 134, 70, 14, edit},
          {"BUTTON", IDC_LEX_ADD, "&Add", 171, 17, 54, 14, button},
          {"BUTTON", IDC_LEX_APPLY, "A&pply", 171, 35, 54, 14, button},
          {"BUTTON", IDC_LEX_DELETE, "&Delete", 171, 53, 54, 14, button},
          {"BUTTON", IDOK, "Close", 171, 140, 54, 14, default_button},
      });
}

KelmDialogTemplate suggestion() {
  std::vector<KelmDialogControl> controls = {
      {"STATIC", IDC_STATIC, "Current Spelling", 7, 7, 90, 8, label},
      {"EDIT", IDC_CURRENT, "", 7, 17, 160, 14, edit | ES_READONLY},
      {"STATIC", IDC_STATIC, "Sugges&tions", 7, 37, 90, 8, label},
      {"LISTBOX", IDC_SUGGESTIONS, "", 7, 47, 160, 110,
       child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS |
           LBS_NOINTEGRALHEIGHT},
      {"STATIC", IDC_STATIC, "R&eplacement Spelling", 7, 161, 100, 8, label},
      {"EDIT", IDC_REPLACEMENT, "", 7, 171, 160, 14, edit},
  };
  // Hidden, for their accelerators only.
  const char* const digits[] = {"&1", "&2", "&3", "&4", "&5", "&6", "&7", "&8", "&9"};
  for (int i = 0; i < 9; ++i)
    controls.push_back({"BUTTON", IDC_PICK_1 + i, digits[i], 0, 0, 1, 1, WS_CHILD | BS_PUSHBUTTON});
  const std::vector<KelmDialogControl> rest = {
      {"BUTTON", IDC_SKIP, "&Skip", 177, 17, 65, 14, button},
      {"BUTTON", IDC_REPLACE, "&Replace", 177, 35, 65, 14, default_button},
      {"BUTTON", IDC_REPLACE_ALL, "Re&place All", 177, 53, 65, 14, button},
      {"BUTTON", IDC_IGNORE, "&Ignore", 177, 71, 65, 14, button},
      {"BUTTON", IDC_ADD, "&Add", 177, 89, 65, 14, button},
      {"BUTTON", IDC_LEXICONS, "&Lexicons", 177, 107, 65, 14, button},
      {"BUTTON", IDC_REMEMBER_POSITION, "Remember &Position", 172, 152, 75, 10, check_box},
      {"BUTTON", IDCANCEL, "&Quit", 177, 173, 65, 14, button},
  };
  controls.insert(controls.end(), rest.begin(), rest.end());
  return dialog(IDD_SUGGESTION, "Correct Spelling", 249, 194, std::move(controls));
}

KelmDialogTemplate spacing() {
  return dialog(IDD_SPACING, "Double space error", 220, 69,
                {
                    {"STATIC", IDC_STATIC, "Old Spacing", 7, 7, 60, 8, label},
                    {"EDIT", IDC_CURRENT, "", 7, 17, 140, 14, edit | ES_READONLY},
                    {"STATIC", IDC_STATIC, "&New Spacing", 7, 36, 60, 8, label},
                    {"EDIT", IDC_REPLACEMENT, "", 7, 46, 140, 14, edit},
                    {"BUTTON", IDC_SPACING_SKIP, "&Skip", 158, 7, 55, 14, default_button},
                    {"BUTTON", IDC_SPACING_REPLACE, "&Replace", 158, 25, 55, 14, button},
                    {"BUTTON", IDCANCEL, "&Quit", 158, 43, 55, 14, button},
                });
}

KelmDialogTemplate spell_options() {
  struct Option {
    int id;
    const char* text;
  };
  const Option options[] = {
      {IDC_IGNORE_CAPPED, "Ignore &capitalized words"},
      {IDC_IGNORE_ALL_CAPS, "Ignore &all-caps words"},
      {IDC_IGNORE_NUMBERS, "Ignore words with &numbers"},
      {IDC_IGNORE_MIXED_CASE, "Ignore words with mi&xed case"},
      {IDC_REPORT_DOUBLED, "Report &doubled words"},
      {IDC_CASE_SENSITIVE, "Cas&e sensitive"},
      {IDC_PHONETIC, "&Phonetic suggestions"},
      {IDC_TYPOGRAPHICAL, "&Typographical Suggestions"},
      {IDC_SPLIT_WORDS, "Suggest Sp&lit words"},
      {IDC_AUTO_CORRECT, "A&uto correct"},
      {IDC_REPORT_SPACING, "Report &spacing errors"},
      {IDC_REPORT_DOUBLE_QAC, "Report double {&Q}, {A} or {C}"},
      {IDC_CONFIRM_COMPLETION, "Confirmation message on completion"},
  };
  std::vector<KelmDialogControl> controls;
  short y = 7;
  for (const Option& o : options) {
    controls.push_back(
        {"BUTTON", o.id, o.text, 7, y, 184, 10, check_box | (controls.empty() ? WS_GROUP : 0)});
    y = static_cast<short>(y + 12);
  }
  const std::vector<KelmDialogControl> rest = {
      {"BUTTON", IDC_STATIC, "Su&ggestion Search Depth", 7, 164, 122, 36,
       child | BS_GROUPBOX | WS_GROUP},
      {"msctls_trackbar32", IDC_SEARCH_DEPTH, "", 12, 175, 112, 12,
       child | WS_TABSTOP | TBS_AUTOTICKS},
      {"STATIC", IDC_STATIC, "Fastest", 12, 188, 40, 8, label},
      {"STATIC", IDC_STATIC, "Slowest", 84, 188, 40, 8, label | SS_RIGHT},
      {"BUTTON", IDOK, "O&K", 137, 168, 54, 14, default_button | WS_GROUP},
      {"BUTTON", IDCANCEL, "Cancel", 137, 186, 54, 14, button},
  };
  controls.insert(controls.end(), rest.begin(), rest.end());
  return dialog(IDD_SPELL_OPTIONS, "Spell Checker Options", 198, 206, std::move(controls));
}

struct StringResource {
  UINT id;
  const char* text;
};

constexpr StringResource strings[] = {
    {IDS_TABLE_NOT_OPEN, "Table is not open"},
    {IDS_TABLE_EMPTY, "Table is empty"},
    {IDS_CONFIRM_DELETE, "Delete the selected entry\nAre you Sure?"},
};

}  // namespace

BOOL KelmRegisterLibraryResources() {
  for (const KelmDialogTemplate& t :
       {special_char(), auto_complete(), lexicons(), suggestion(), spacing(), spell_options()})
    KelmRegisterDialogTemplate(t);
  for (const StringResource& s : strings) KelmRegisterString(s.id, s.text);
  return TRUE;
}
