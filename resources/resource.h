// The identifiers of the library's resources: its dialog templates, their
// controls, and its string table. The templates themselves are data in
// dialog_templates.cpp, registered with the platform when the library loads.
#pragma once

#include "platform/types.h"

// Dialogs.
inline constexpr UINT IDD_LEXICONS = 916;
inline constexpr UINT IDD_SPELL_OPTIONS = 917;
inline constexpr UINT IDD_SUGGESTION = 918;
inline constexpr UINT IDD_SPACING = 919;
inline constexpr UINT IDD_SPECIAL_CHAR = 920;
inline constexpr UINT IDD_AUTO_COMPLETE = 921;

// The spacing dialog's buttons answer with IDYES and IDNO's values.
inline constexpr int IDC_SPACING_REPLACE = 6;
inline constexpr int IDC_SPACING_SKIP = 7;

// Spell checker options.
inline constexpr int IDC_REPORT_SPACING = 13002;
inline constexpr int IDC_IGNORE_CAPPED = 13003;
inline constexpr int IDC_IGNORE_ALL_CAPS = 13004;
inline constexpr int IDC_IGNORE_NUMBERS = 13005;
inline constexpr int IDC_IGNORE_MIXED_CASE = 13006;
inline constexpr int IDC_REPORT_DOUBLED = 13007;
inline constexpr int IDC_CASE_SENSITIVE = 13008;
inline constexpr int IDC_PHONETIC = 13009;
inline constexpr int IDC_TYPOGRAPHICAL = 13010;
inline constexpr int IDC_SPLIT_WORDS = 13011;
inline constexpr int IDC_AUTO_CORRECT = 13012;
inline constexpr int IDC_SEARCH_DEPTH = 13013;
inline constexpr int IDC_REPORT_DOUBLE_QAC = 13014;
inline constexpr int IDC_CONFIRM_COMPLETION = 13063;

// Suggestion and spacing dialogs.
inline constexpr int IDC_REPLACEMENT = 13015;
inline constexpr int IDC_SUGGESTIONS = 13016;
inline constexpr int IDC_REPLACE = 13017;
inline constexpr int IDC_IGNORE = 13018;
inline constexpr int IDC_ADD = 13019;
inline constexpr int IDC_PICK_1 = 13020;  // through IDC_PICK_1 + 8 for "&9"
inline constexpr int IDC_CURRENT = 13029;
inline constexpr int IDC_SKIP = 13030;
inline constexpr int IDC_REPLACE_ALL = 13031;
inline constexpr int IDC_LEXICONS = 13033;
inline constexpr int IDC_REMEMBER_POSITION = 13034;

// Special characters.
inline constexpr int IDC_SPECIAL_CHARS = 13032;

// Lexicon editor.
inline constexpr int IDC_CORRECT_SPELLING = 13039;
inline constexpr int IDC_LEX_ADD = 13040;
inline constexpr int IDC_LEX_DELETE = 13041;
inline constexpr int IDC_LEX_APPLY = 13042;
inline constexpr int IDC_LEXICON_LIST = 13043;
inline constexpr int IDC_WORDS = 13044;
inline constexpr int IDC_ACTION = 13045;

// Auto-complete options.
inline constexpr int IDC_LOAD_HISTORY = 13050;
inline constexpr int IDC_ENABLE_AUTO_COMPLETE = 13051;
inline constexpr int IDC_NUM_CHARS = 13052;
inline constexpr int IDC_NEW_WORD = 13053;
inline constexpr int IDC_AC_ADD = 13054;
inline constexpr int IDC_AC_DELETE = 13055;
inline constexpr int IDC_AC_WORDS = 13056;

// Strings.
inline constexpr UINT IDS_TABLE_NOT_OPEN = 13100;
inline constexpr UINT IDS_TABLE_EMPTY = 13101;
inline constexpr UINT IDS_CONFIRM_DELETE = 13102;
