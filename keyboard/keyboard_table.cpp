#include "keyboard/keyboard_table.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/message.h"

namespace {

struct BuiltIn {
  const char* name;
  WORD code;
};

// The keys after the letters, digits and function keys. A punctuation key is
// named by its character, two spaces and its shifted character.
constexpr BuiltIn named_keys[] = {
    {"Back Space", 0x08}, {"Arrow Down", 0x28},   {"Arrow Left", 0x25}, {"Arrow Right", 0x27},
    {"Arrow Up", 0x26},   {"Delete", 0x2E},       {"End", 0x23},        {"Enter", 0x0D},
    {"Home", 0x24},       {"Insert", 0x2D},       {"Page Down", 0x22},  {"Page Up", 0x21},
    {"Pause", 0x13},      {"Print Screen", 0x2C}, {"Space", 0x20},      {"Tab", 0x09},
    {";  :", 0xBA},       {",  <", 0xBC},         {"/  ?", 0xBF},       {"`  ~", 0xC0},
    {"[  {", 0xDB},       {"\\  |", 0xDC},        {"]  }", 0xDD},       {"'  \"", 0xDE},
    {".  >", 0xBE},       {"=  +", 0xBB},         {"-  _", 0xBD},
};

// Esc ends the key names but cannot be a quick key.
constexpr BuiltIn escape_key = {"Esc", 0x1B};

// Numbers below 10 at the end of a name stand after two spaces, so that they
// line up with the names ending in 10 in the host's list.
constexpr BuiltIn built_in_commands[] = {
    {"Dictionary Entry  1", 0x8078},
    {"Dictionary Entry  2", 0x8079},
    {"Dictionary Entry  3", 0x807A},
    {"Dictionary Entry  4", 0x807B},
    {"Dictionary Entry  5", 0x807C},
    {"Dictionary Entry  6", 0x807D},
    {"Dictionary Entry  7", 0x807E},
    {"Dictionary Entry  8", 0x807F},
    {"Dictionary Entry  9", 0x8080},
    {"Dictionary Entry 10", 0x8081},
    {"Dictionary Entry List", 0x802D},
    {"Bold Text", 0x8004},
    {"Find Next Steno Command", 0x818F},
    {"Find Previous Steno Command", 0x8190},
    {"Italicize Text", 0x800A},
    {"Underline Text", 0x800B},
    {"Center Paragraph", 0x80A7},
    {"Subscript Text", 0x80CF},
    {"Superscript Text", 0x80D1},
    {"Edit Paragraph Styles", 0x80B3},
    {"Change Font", 0x800F},
    {"Translator Start/Stop", 0x8010},
    {"Translator Dictionaries", 0x8011},
    {"View Steno Toggle", 0x8013},
    {"View All Steno Toggle", 0x83FB},
    {"Translator Commands", 0x8014},
    {"CIC Start/Stop", 0x8016},
    {"CIC Transmit Start/Stop", 0x8017},
    {"CIC Setup", 0x8018},
    {"Translator Set Font", 0x8019},
    {"Header New", 0x801B},
    {"Header Edit", 0x801C},
    {"Header Delete", 0x806E},
    {"Footer Edit", 0x801E},
    {"Tonsync Record/Stop", 0x801F},
    {"Tonsync Play/Stop", 0x8020},
    {"Tonsync Play", 0x816D},
    {"Tonsync Stop Play", 0x816E},
    {"Tonsync Stop Record", 0x816F},
    {"Tonsync Properties", 0x8022},
    {"Tonsync Pause Play", 0x8171},
    {"Tonsync Pause Record", 0x8170},
    {"Find Next", 0x802C},
    {"Find Previous", 0x80EF},
    {"Switch to Steno", 0x802E},
    {"Switch to Editor", 0x802F},
    {"Set Steno Font", 0x8030},
    {"Go to Time", 0x8031},
    {"Go to Page/Line", 0x806F},
    {"Options Keyboard", 0x8034},
    {"Find", 0xE124},
    {"Cut", 0xE123},
    {"Copy", 0xE122},
    {"Find and Replace", 0xE129},
    {"Paste", 0xE125},
    {"New File", 0xE100},
    {"Open File", 0xE101},
    {"Save File", 0xE103},
    {"Save File As", 0xE104},
    {"Print", 0x8087},
    {"Print Setup", 0xE106},
    {"Undo", 0xE12B},
    {"Caret Next Word", 0x8036},
    {"Caret Previous Word", 0x8037},
    {"Caret Down", 0x8038},
    {"Caret Up", 0x8039},
    {"Caret Left", 0x803A},
    {"Caret Right", 0x803B},
    {"Caret Page Up", 0x803C},
    {"Caret Page Down", 0x803D},
    {"Caret Line End", 0x803E},
    {"Caret Line Beginning", 0x803F},
    {"Caret Document End", 0x8040},
    {"Caret Document Beginning", 0x8041},
    {"Caret Paragraph End", 0x80E9},
    {"Caret Paragraph Beg", 0x80EA},
    {"Caret Sentence End", 0x80EB},
    {"Caret Sentence Beg", 0x80EC},
    {"Caret Next Steno", 0x8074},
    {"Caret Previous Steno", 0x8075},
    {"Caret Next Paragraph", 0x8085},
    {"Caret Previous Paragraph", 0x8086},
    {"Select Next Word", 0x8042},
    {"Select Previous Word", 0x8043},
    {"Select Down", 0x8044},
    {"Select Up", 0x8045},
    {"Select Left", 0x8046},
    {"Select Right", 0x8047},
    {"Select Page Up", 0x8048},
    {"Select Page Down", 0x8049},
    {"Select Line End", 0x804A},
    {"Select Line Beginning", 0x804B},
    {"Select Sentence End", 0x80E5},
    {"Select Sentence Beginning", 0x80E6},
    {"Select Paragraph End", 0x80E7},
    {"Select Paragraph Beginning", 0x80E8},
    {"Select Document End", 0x804C},
    {"Select Document Beginning", 0x804D},
    {"Select All", 0x7D00},
    {"Select Next Steno", 0x8076},
    {"Select Previous Steno", 0x8077},
    {"Select Reset", 0x8033},
    {"Scroll Down", 0x804E},
    {"Scroll Up", 0x804F},
    {"Scroll Document Beginning", 0x8050},
    {"Scroll Document End", 0x8051},
    {"Toggle Insert/Overwrite", 0x8052},
    {"Delete Next Character", 0x8053},
    {"Delete Previous Character", 0x8054},
    {"Find Next Conflict/Untranslate", 0x8055},
    {"Find Previous Conflict/Untranslate", 0x80C8},
    {"Delete Next Word", 0x8056},
    {"Delete Line End", 0x8058},
    {"Delete Previous Word", 0x8057},
    {"Delete Line Beginning", 0x8059},
    {"Delete Line", 0x805A},
    {"Insert Page Break", 0x805B},
    {"Insert Hard Space", 0x8071},
    {"Stitch Word", 0x805C},
    {"Transpose Words", 0x805D},
    {"New Sentence At The End Of Paragraph", 0x8191},
    {"Capitalize Current Letter", 0x8073},
    {"Capitalize First Letter", 0x805E},
    {"Capitalize Whole Word", 0x805F},
    {"Capitalize Whole Line", 0x8060},
    {"Spell Check Transcript", 0x8062},
    {"Spell Check Here To End", 0x806D},
    {"Spell Check Word", 0x8064},
    {"Change Paragraph to {A}", 0x8065},
    {"Change Paragraph to {Q}", 0x8066},
    {"Change Paragraph to {C}", 0x8067},
    {"Change Paragraph to {P}", 0x806B},
    {"Insert {A} Paragraph", 0x8068},
    {"Insert {Q} Paragraph", 0x8069},
    {"Insert {C} Paragraph", 0x806A},
    {"Insert {P} Paragraph", 0x806C},
    {"QuickKeys Toggle", 0x8015},
    {"Cut Word", 0x8091},
    {"Cut Line", 0x8092},
    {"Cut Paragraph", 0x8093},
    {"Pacesync Faster", 0x809A},
    {"Pacesync Slower", 0x809B},
    {"Job Entry (1 Stroke)", 0x80BB},
    {"Job Entry (2 Stroke)", 0x80BC},
    {"Job Entry (3 Stroke)", 0x80BD},
    {"Job Entry (4 Stroke)", 0x80BE},
    {"Main Entry (1 Stroke)", 0x80BF},
    {"Main Entry (2 Stroke)", 0x80C0},
    {"Main Entry (3 Stroke)", 0x80C1},
    {"Main Entry (4 Stroke)", 0x80C2},
    {"Toggle Answer/The Witness", 0x80C3},
    {"Toggle Answer/The Deponent", 0x8070},
    {"Interrupted Question", 0x80C5},
    {"Interrupted Answer", 0x80C6},
    {"Question/Answer Segue", 0x80C7},
    {"Bookmark Add", 0x80C9},
    {"Bookmark Find Next", 0x80CC},
    {"Bookmark Find Previous", 0x80CB},
    {"Bookmarks View", 0x80CA},
    {"Caret End of Word", 0x80CD},
    {"Add/Change Word Ending", 0x80CE},
    {"Incomplete Paragraph", 0x80D0},
    {"Toggle Period/Question Mark", 0x80D2},
    {"Toggle Comma/Dash", 0x80D3},
    {"Toggle Question/The Court", 0x80D4},
    {"Keyboard Macro Record/Stop", 0x80A5},
    {"Insert Appearance", 0x80D5},
    {"Insert Special Character", 0x8003},
    {"Change Paragraph Style", 0x8029},
    {"Insert Paragraph Style", 0x8111},
    {"Append File", 0x80AA},
    {"Split Transcript and Media", 0x80D6},
    {"Split Transcript", 0x81D8},
    {"New Session", 0x8072},
    {"Save Include File", 0x8089},
    {"Insert Include File", 0x808A},
    {"Witness New", 0x80B5},
    {"Witness Edit", 0x80B6},
    {"Witness Delete", 0x80B7},
    {"Insert Examination Index", 0x80AF},
    {"Apply Template", 0x808F},
    {"Apply Globals", 0x809C},
    {"Format Page Margins", 0x8027},
    {"Format Page Numbers", 0x802A},
    {"Format Line Numbers", 0x802B},
    {"Format Page Border", 0x8025},
    {"Format Page Timestamps", 0x8026},
    {"Format Page Headers/Footers", 0x8028},
    {"Objection New", 0x80DF},
    {"Objection Delete", 0x80E1},
    {"Insert Objection Index", 0x80E2},
    {"Exhibit New", 0x80DB},
    {"Exhibit Edit", 0x80DC},
    {"Exhibit Delete", 0x80DD},
    {"Insert Exhibit Index", 0x80B0},
    {"Index Update", 0x80E3},
    {"Null Command", 0x80E4},
    {"Edit Word", 0x80EE},
    {"Batch Spell Check", 0x80D8},
    {"View Batch Spell Check", 0x80D9},
    {"Word Count", 0x80DA},
    {"Join Paragraph", 0x80ED},
    {"Make Date", 0x80F9},
    {"Delete Last Letter", 0x80FC},
    {"Insert Continuation Paragraph", 0x80FE},
    {"Insert '--' at Beginning", 0x80FF},
    {"Insert '--' at End", 0x8100},
    {"Definition", 0x8101},
    {"Print Current Page", 0x80C4},
    {"Preview Transcript", 0x8088},
    {"Toggle Answer/The Defendant", 0x8105},
    {"Toggle Arabic/Text Number", 0x8082},
    {"Toggle Alternate Words", 0x810A},
    {"Add/Edit Alternate Words", 0x810B},
    {"Scroll Page Down", 0x810C},
    {"Scroll Page Up", 0x810D},
    {"Toggle Comma In Number", 0x810E},
    {"Make Time", 0x810F},
    {"Find Next Punctuation", 0x8112},
    {"Find Previous Punctuation", 0x8113},
    {"Windows Explorer", 0x80A0},
    {"Proofread", 0x8114},
    {"Change Speaker", 0x8116},
    {"Change Paragraph to {P By}", 0x8117},
    {"Change Paragraph to {P Paren}", 0x8118},
    {"Insert {P By} Paragraph", 0x8119},
    {"Insert {P Paren} Paragraph", 0x811A},
    {"Insert {P Center} Paragraph", 0x811E},
    {"Capitalize Entire Transcript", 0x811F},
    {"Delete Next Space", 0x8122},
    {"Find Next Untranslate", 0x8123},
    {"Find Previous Untranslate", 0x8124},
    {"Find Next Conflict", 0x8125},
    {"Find Previous Conflict", 0x8126},
    {"Toggle Last Period/Question Mark", 0x8128},
    {"Find and Select", 0x8129},
    {"Find Next and Select", 0x812A},
    {"Find Previous and Select", 0x812B},
    {"Stedman's Medical Definition", 0x812C},
    {"Apply Page Style", 0x8133},
    {"Save Page Style", 0x8132},
    {"Copy to Floppy", 0x80F7},
    {"Copy from Floppy", 0x80F8},
    {"Number Paragraph", 0x8139},
    {"Caption Start/Stop", 0x8147},
    {"Caption Transmit Start/Stop", 0x8148},
    {"Caption Setup", 0x8146},
    {"Caption Set Font", 0x8149},
    {"Caption Styles", 0x814A},
    {"Caption Style  1", 0x814B},
    {"Caption Style  2", 0x814C},
    {"Caption Style  3", 0x814D},
    {"Caption Style  4", 0x814E},
    {"Caption Style  5", 0x814F},
    {"Caption Style  6", 0x8150},
    {"Caption Style  7", 0x8151},
    {"Caption Style  8", 0x8152},
    {"Caption Style  9", 0x8153},
    {"Caption Style 10", 0x8154},
    {"Caption Stock Files", 0x8155},
    {"Caption Stock  1", 0x8156},
    {"Caption Stock  2", 0x8157},
    {"Caption Stock  3", 0x8158},
    {"Caption Stock  4", 0x8159},
    {"Caption Stock  5", 0x815A},
    {"Caption Stock  6", 0x815B},
    {"Caption Stock  7", 0x815C},
    {"Caption Stock  8", 0x815D},
    {"Caption Stock  9", 0x815E},
    {"Caption Stock 10", 0x815F},
    {"Caption Blank Video", 0x8160},
    {"Caption Block Mode", 0x8161},
    {"Caption Pass Mode", 0x8162},
    {"Caption Toggle Mode", 0x8164},
    {"Add Quick Type", 0x8167},
    {"Save Page Image", 0x80F3},
    {"Save Special Page Image", 0x80F4},
    {"Save Capitalized Page Image", 0x8134},
    {"Save Amicus", 0x80F1},
    {"Save Amicus ZX", 0x80F2},
    {"Summation", 0x811D},
    {"Save with Headers/Footers", 0x80F5},
    {"Resolve All Untranslates", 0x8172},
    {"Exhibit Find Next", 0x8176},
    {"Exhibit Find Previous", 0x8177},
    {"Exhibit New No Dialog", 0x8178},
    {"Objection Find Next", 0x8192},
    {"Objection Find Previous", 0x8193},
    {"Open in New Window", 0x817C},
    {"New Window", 0x818D},
    {"Copy File", 0x8179},
    {"Media Copy", 0x8173},
    {"Media Paste", 0x8174},
    {"Media Cut", 0x8175},
    {"Caption Dial", 0x817A},
    {"Caption Hang Up", 0x817B},
    {"Caption Phone Book", 0x818E},
    {"Number Format Dialog", 0x8194},
    {"Leafsync Start/Stop", 0x8195},
    {"Leafsync Setup", 0x8196},
    {"Leafsync Resend", 0x8197},
    {"Audio Volume Up", 0x8198},
    {"Audio Volume Down", 0x8199},
    {"Caret Page Down Old", 0x819A},
    {"Toggle Scroll Screen", 0x819B},
    {"Pacesync Reset", 0x819C},
    {"Steno Outlines Lookup", 0x81E9},
    {"Steno Outlines Toggle", 0x81EA},
};

// Host commands whose names come from the host's string resources; the first
// group are all change-tracking commands and are named so.
constexpr UINT track_changes_resources[] = {15028, 15029, 15030, 15002, 15084};
constexpr UINT plain_resources[] = {103, 101, 102};
constexpr char track_changes_prefix[] = "Track Changes";

// A name that fills its field has no terminator: it ends with the field.
template <std::size_t N>
std::string_view view_of(const char (&field)[N]) {
  return std::string_view(field,
                          static_cast<std::size_t>(std::find(field, field + N, '\0') - field));
}

template <std::size_t N>
CString name_of(const char (&field)[N]) {
  return CString(view_of(field));
}

// Longer names are cut to the field, keeping its terminator; the rest of the
// field is zeroed so that what is archived depends on the name alone.
template <std::size_t N>
void set_name(char (&field)[N], std::string_view name) {
  const std::size_t kept = std::min(name.size(), N - 1);
  std::memset(field, 0, N);
  std::memcpy(field, name.data(), kept);
}

template <class Entry>
Entry entry_of(std::string_view name, WORD code) {
  Entry entry{};
  set_name(entry.szName, name);
  entry.wCode = code;
  return entry;
}

template <class Entry>
int find_name(const CArray<Entry, Entry&>& entries, INT_PTR first, const CString& name) {
  for (INT_PTR i = first; i < entries.GetSize(); ++i)
    if (view_of(entries[i].szName) == name.View()) return static_cast<int>(i);
  return -1;
}

template <class Entry>
int find_code(const CArray<Entry, Entry&>& entries, WORD code) {
  for (INT_PTR i = 0; i < entries.GetSize(); ++i)
    if (entries[i].wCode == code) return static_cast<int>(i);
  return -1;
}

// A host may have loaded a command array shorter than the built-in commands;
// then there are no macros, and none are taken from the built-ins.
INT_PTR first_macro(int orig_size, const CArray<CmdTblEntry, CmdTblEntry&>& commands) {
  return std::clamp<INT_PTR>(orig_size, 0, commands.GetSize());
}

CString key_text(WORD modifiers, const CString& key_name) {
  CString text;
  if (modifiers & CKeyboardCommand::Alt) text += "Alt + ";
  if (modifiers & CKeyboardCommand::Ctrl) text += "Ctrl + ";
  if (modifiers & CKeyboardCommand::Shift) text += "Shift + ";
  if (modifiers & CKeyboardCommand::Space) text += "Space + ";
  return text + key_name;
}

// The name of the command a binding runs; none for a macro number beyond the
// macros, which the host's list shows as an error in place of the whole line
// (a macro that is itself named "ERROR" still lists with its key).
std::optional<CString> bound_command_name(const CKeyboardTable& table, CKeyboardCommand cmd) {
  const int i = table.FindCommandCode(cmd.m_wCommand);
  if (i == -1) {
    CString unknown;
    unknown.Format("#%d:Command", cmd.m_wCommand);
    return unknown;
  }
  if (table.GetCommandCode(i) != CKeyboardTable::MacroCommand) return table.GetCommandName(i);
  const INT_PTR j = i + static_cast<INT_PTR>(cmd.m_wMacro);
  if (j >= table.GetNumCommands()) return std::nullopt;
  return table.GetCommandName(static_cast<int>(j));
}

}  // namespace

CKeyboardTable::CKeyboardTable() {
  auto add_key = [this](std::string_view name, WORD code) {
    KeyTblEntry entry = entry_of<KeyTblEntry>(name, code);
    m_aKeys.Add(entry);
  };
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    add_key(std::string_view(&letter, 1), static_cast<WORD>(letter));
  for (char digit = '0'; digit <= '9'; ++digit)
    add_key(std::string_view(&digit, 1), static_cast<WORD>(digit));
  for (int f = 1; f <= 12; ++f) {
    CString name;
    name.Format("F%d", f);
    add_key(name.View(), static_cast<WORD>(0x70 + f - 1));
  }
  for (const BuiltIn& key : named_keys) add_key(key.name, key.code);
  add_key(escape_key.name, escape_key.code);

  for (const BuiltIn& command : built_in_commands) {
    CmdTblEntry entry = entry_of<CmdTblEntry>(command.name, command.code);
    m_aCommands.Add(entry);
  }
  for (const UINT id : track_changes_resources) {
    CString name;
    name.LoadString(id);
    if (!name.View().starts_with(track_changes_prefix))
      name = CString(track_changes_prefix) + " " + name;
    CmdTblEntry entry = entry_of<CmdTblEntry>(name.View(), static_cast<WORD>(id));
    m_aCommands.Add(entry);
  }
  for (const UINT id : plain_resources) {
    CString name;
    name.LoadString(id);
    CmdTblEntry entry = entry_of<CmdTblEntry>(name.View(), static_cast<WORD>(id));
    m_aCommands.Add(entry);
  }
  m_nOrigSize = static_cast<int>(m_aCommands.GetSize());

  for (INT_PTR i = 0; i + 1 < m_aKeys.GetSize(); ++i) m_aQuickKeys.Add(m_aKeys[i]);
}

int CKeyboardTable::GetNumCommands() const { return static_cast<int>(m_aCommands.GetSize()); }
int CKeyboardTable::GetNumCmdKeys() const { return static_cast<int>(m_aKeys.GetSize()); }
int CKeyboardTable::GetNumQuickKeys() const { return static_cast<int>(m_aQuickKeys.GetSize()); }

CString CKeyboardTable::GetCommandName(int i) const { return name_of(m_aCommands[i].szName); }
int CKeyboardTable::GetCommandCode(int i) const { return m_aCommands[i].wCode; }
CString CKeyboardTable::GetCmdKeyName(int i) const { return name_of(m_aKeys[i].szName); }
int CKeyboardTable::GetCmdKeyCode(int i) const { return m_aKeys[i].wCode; }
CString CKeyboardTable::GetQuickKeyName(int i) const { return name_of(m_aQuickKeys[i].szName); }
int CKeyboardTable::GetQuickKeyCode(int i) const { return m_aQuickKeys[i].wCode; }

int CKeyboardTable::FindCommandName(CString strName) const {
  return find_name(m_aCommands, 0, strName);
}
int CKeyboardTable::FindCommandCode(WORD wCode) const { return find_code(m_aCommands, wCode); }
int CKeyboardTable::FindCmdKeyName(CString strName) const { return find_name(m_aKeys, 0, strName); }
int CKeyboardTable::FindCmdKeyCode(WORD wCode) const { return find_code(m_aKeys, wCode); }
int CKeyboardTable::FindQuickKeyName(CString strName) const {
  return find_name(m_aQuickKeys, 0, strName);
}

CString CKeyboardTable::GetCommandName(CKeyboardCommand cmd) const {
  return bound_command_name(*this, cmd).value_or("ERROR");
}

CString CKeyboardTable::GetListString(CKeyboardCommand cmd) const {
  const std::optional<CString> command = bound_command_name(*this, cmd);
  if (!command) return "ERROR";
  const int k = FindCmdKeyCode(cmd.m_wKey);
  const CString key =
      k == -1 ? CString("Unknown Key") : key_text(cmd.m_wModifiers, GetCmdKeyName(k));
  CString line;
  line.Format("%s\t%s", command->GetString(), key.GetString());
  return line;
}

void CKeyboardTable::AddMacro(CString strName) {
  CmdTblEntry entry = entry_of<CmdTblEntry>(strName.View(), MacroCommand);
  m_aCommands.Add(entry);
}

void CKeyboardTable::DeleteMacro(int nMacro) {
  if (nMacro < 0) return;
  const INT_PTR i = first_macro(m_nOrigSize, m_aCommands) + nMacro;
  if (i < m_aCommands.GetSize() && m_aCommands[i].wCode == MacroCommand) m_aCommands.RemoveAt(i);
}

void CKeyboardTable::RenameMacro(CString strOld, CString strNew) {
  for (INT_PTR i = first_macro(m_nOrigSize, m_aCommands); i < m_aCommands.GetSize(); ++i) {
    CmdTblEntry& entry = m_aCommands[i];
    if (entry.wCode == MacroCommand && view_of(entry.szName) == strOld.View())
      set_name(entry.szName, strNew.View());
  }
}

void CKeyboardTable::RemoveAllMacros() {
  m_aCommands.SetSize(first_macro(m_nOrigSize, m_aCommands), -1);
}

int CKeyboardTable::FindMacroName(CString strName) const {
  const INT_PTR first = first_macro(m_nOrigSize, m_aCommands);
  const int i = find_name(m_aCommands, first, strName);
  return i == -1 ? -1 : i - static_cast<int>(first);
}
