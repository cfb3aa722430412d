// CKeyboardTable: the editor's fixed vocabulary for key bindings: every
// built-in command with its code, the names of the keys that can be bound
// and of those usable as quick keys, and the user's macros, which follow the
// built-in commands under the one macro command code.
//
// The constructor builds the whole table; eight command names come from the
// host's string resources (15028, 15029, 15030, 15002 and 15084, put after
// "Track Changes " unless they begin with it, then 103, 101 and 102, each
// as it is), so the host registers its strings before it makes a table.
// Afterwards only the macros change.
//
// Names compare exactly, byte for byte; searches return the first match or
// -1. Indexes given to the Get operations must lie within their table. The
// arrays are public so that a host can archive each of them (its count, then
// its records as raw bytes in the layouts below) and read what it holds. A
// host that loads an array in place of the built one may load anything: a
// name that fills its field without a terminator reads as the whole field,
// and the macro operations keep within a command array shorter than the
// built-in commands. Names longer than a field are cut to fit it. Not
// thread-safe; the host's user-interface thread owns a table.
#pragma once

#include <bit>

#include "keyboard/keyboard_command.h"
#include "platform/array.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

// The records are archived as they lie in memory: packed, with the code
// little-endian, the layout the editor's files have always had.
static_assert(std::endian::native == std::endian::little,
              "keyboard table records are archived in memory order, which is little-endian");

#pragma pack(push, 1)
// A record of the key-name and quick-key tables.
struct KeyTblEntry {
  char szName[25];  // NUL-terminated when shorter than the field
  WORD wCode;       // a Windows virtual-key code
};

// A record of the command table.
struct CmdTblEntry {
  char szName[50];  // NUL-terminated when shorter than the field
  WORD wCode;       // the host's command identifier
};
#pragma pack(pop)

static_assert(sizeof(KeyTblEntry) == 27);
static_assert(sizeof(CmdTblEntry) == 52);

class KELM_EXPORT CKeyboardTable {
 public:
  // The code of every macro's entry in the command table.
  static constexpr WORD MacroCommand = 0x8009;

  CKeyboardTable();
  virtual ~CKeyboardTable() = default;

  int GetNumCommands() const;
  int GetNumCmdKeys() const;
  int GetNumQuickKeys() const;
  // The number of built-in commands; macro n is command GetOrigSize() + n.
  int GetOrigSize() const { return m_nOrigSize; }

  CString GetCommandName(int i) const;
  int GetCommandCode(int i) const;
  CString GetCmdKeyName(int i) const;
  int GetCmdKeyCode(int i) const;
  CString GetQuickKeyName(int i) const;
  int GetQuickKeyCode(int i) const;

  // Built-in commands and macros alike, so a macro that bears a built-in
  // command's name is found as that command.
  int FindCommandName(CString strName) const;
  int FindCommandCode(WORD wCode) const;
  int FindCmdKeyName(CString strName) const;
  int FindCmdKeyCode(WORD wCode) const;
  int FindQuickKeyName(CString strName) const;

  // The name of the command a binding runs: "#<code>:Command" for a code
  // the table lacks, "ERROR" for a macro number beyond the macros.
  CString GetCommandName(CKeyboardCommand cmd) const;
  // The binding as a line of the host's list: the command name, a tab and
  // the key text ("Bold Text\tCtrl + Shift + B"), "Unknown Key" for a key
  // the table lacks; just "ERROR" for a macro number beyond the macros.
  CString GetListString(CKeyboardCommand cmd) const;

  // A name may be added twice; renaming renames every macro of that name.
  // Deleting a number that is not a macro does nothing.
  void AddMacro(CString strName);
  void DeleteMacro(int nMacro);
  void RenameMacro(CString strOld, CString strNew);
  void RemoveAllMacros();
  // The macro number of the first macro of that name, or -1.
  int FindMacroName(CString strName) const;

 protected:
  int m_nOrigSize = 0;

 public:
  CArray<KeyTblEntry, KeyTblEntry&> m_aKeys;
  CArray<KeyTblEntry, KeyTblEntry&> m_aQuickKeys;
  CArray<CmdTblEntry, CmdTblEntry&> m_aCommands;
};
