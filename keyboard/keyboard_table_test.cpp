#include "keyboard/keyboard_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/file.h"
#include "platform/message.h"
#include "testing/scratch_folder.h"

namespace {

std::string shown(const CString& text) { return std::string(text.View()); }

CString list_string(const CKeyboardTable& table, WORD modifiers, WORD key, WORD command,
                    WORD macro = 0) {
  return table.GetListString(CKeyboardCommand(modifiers, key, 0x1234, command, macro));
}

TEST(KeyboardTable, FreshTableHoldsEveryBuiltInOnce) {
  const CKeyboardTable table;
  EXPECT_EQ(316, table.GetNumCommands());
  EXPECT_EQ(316, table.GetOrigSize());
  EXPECT_EQ(76, table.GetNumCmdKeys());
  EXPECT_EQ(75, table.GetNumQuickKeys());
  // Built-in names and codes are unique, so each is found where it stands;
  // a repeated or mistyped entry would be found earlier.
  for (int i = 0; i < 308; ++i) {
    EXPECT_EQ(i, table.FindCommandCode(static_cast<WORD>(table.GetCommandCode(i)))) << i;
    EXPECT_EQ(i, table.FindCommandName(table.GetCommandName(i))) << i;
  }
  for (int i = 0; i < table.GetNumCmdKeys(); ++i) {
    EXPECT_EQ(i, table.FindCmdKeyCode(static_cast<WORD>(table.GetCmdKeyCode(i)))) << i;
    EXPECT_EQ(i, table.FindCmdKeyName(table.GetCmdKeyName(i))) << i;
  }
  for (int i = 0; i < table.GetNumQuickKeys(); ++i) {
    EXPECT_EQ(shown(table.GetCmdKeyName(i)), shown(table.GetQuickKeyName(i))) << i;
    EXPECT_EQ(table.GetCmdKeyCode(i), table.GetQuickKeyCode(i)) << i;
  }
  // Names are found exactly as written, and Esc is no quick key.
  EXPECT_EQ(75, table.FindCmdKeyName("Esc"));
  EXPECT_EQ(-1, table.FindQuickKeyName("Esc"));
  EXPECT_EQ(-1, table.FindCommandName("bold text"));
  EXPECT_EQ(-1, table.FindCommandName("Bold Text "));
  EXPECT_EQ(-1, table.FindCmdKeyName(CString("Esc\0", 4)));
  EXPECT_EQ(-1, table.FindCmdKeyCode(0x90));
}

// The host's strings name the last eight built-ins, whatever the host gave.
TEST(KeyboardTable, CommandsNamedByTheHostsStrings) {
  const std::string long_name(60, 'x');
  KelmRegisterString(15028, "Accept");
  KelmRegisterString(15029, "Track Changes Next");
  KelmRegisterString(15030, "Track Changesless");
  KelmRegisterString(15002, "");
  KelmRegisterString(15084, long_name.c_str());
  KelmRegisterString(103, "Alpha");
  KelmRegisterString(102, "Track Changes");
  const struct {
    int index;
    std::string name;
    int code;
  } cases[] = {
      {308, "Track Changes Accept", 15028},
      {309, "Track Changes Next", 15029},
      {310, "Track Changesless", 15030},
      {311, "Track Changes ", 15002},
      {312, ("Track Changes " + long_name).substr(0, 49), 15084},
      {313, "Alpha", 103},
      {314, "", 101},  // never registered here
      {315, "Track Changes", 102},
  };
  const CKeyboardTable table;
  for (const auto& c : cases) {
    EXPECT_EQ(c.name, shown(table.GetCommandName(c.index))) << c.index;
    EXPECT_EQ(c.code, table.GetCommandCode(c.index)) << c.index;
  }
}

TEST(KeyboardTable, ListStrings) {
  CKeyboardTable table;
  const struct {
    WORD modifiers, key, command, macro;
    const char* want;
  } without_macros[] = {
      {0x0C, 0x42, 0x8004, 0, "Bold Text\tCtrl + Shift + B"},
      {0x3C, 0x42, 0x8004, 0, "Bold Text\tAlt + Ctrl + Shift + Space + B"},
      {0x00, 0x42, 0x8004, 0, "Bold Text\tB"},
      {0xFFC3, 0xBA, 0x7D00, 0, "Select All\t;  :"},  // bits the table does not read
      {0x20, 0x1B, 0xE12B, 7, "Undo\tSpace + Esc"},   // the macro number of a command
      {0x08, 0x90, 0x8004, 0, "Bold Text\tUnknown Key"},
      {0x08, 0x42, 36864, 0, "#36864:Command\tCtrl + B"},
      // 33000 is 0x80E8, a built-in command.
      {0x08, 0x42, 33000, 0, "Select Paragraph Beginning\tCtrl + B"},
      {0x00, 0x00, 0x0000, 0, "#0:Command\tUnknown Key"},
      {0x00, 0x42, 0x8009, 0, "#32777:Command\tB"},
  };
  for (const auto& c : without_macros)
    EXPECT_EQ(c.want, shown(list_string(table, c.modifiers, c.key, c.command, c.macro))) << c.want;

  table.AddMacro("Sign Off");
  table.AddMacro("Heading");
  table.AddMacro("ERROR");
  const struct {
    WORD modifiers, key, macro;
    const char* want;
  } with_macros[] = {
      {0x10, 0x70, 0, "Sign Off\tAlt + F1"},
      {0x10, 0x70, 1, "Heading\tAlt + F1"},
      {0x10, 0x90, 1, "Heading\tUnknown Key"},
      // A macro named like the error still lists with its key.
      {0x00, 0x41, 2, "ERROR\tA"},
      {0x10, 0x70, 3, "ERROR"},
      {0x10, 0x90, 0xFFFF, "ERROR"},
  };
  for (const auto& c : with_macros) {
    const CKeyboardCommand cmd(c.modifiers, c.key, 0, CKeyboardTable::MacroCommand, c.macro);
    EXPECT_EQ(c.want, shown(table.GetListString(cmd))) << c.want;
  }
  EXPECT_EQ("ERROR", shown(table.GetCommandName(CKeyboardCommand(0, 0x41, 0, 0x8009, 3))));
  EXPECT_EQ("Heading", shown(table.GetCommandName(CKeyboardCommand(0, 0x41, 0, 0x8009, 1))));
}

TEST(KeyboardTable, Macros) {
  CKeyboardTable table;
  table.AddMacro("A");
  table.AddMacro("B");
  table.DeleteMacro(0);
  EXPECT_EQ(0, table.FindMacroName("B"));
  EXPECT_EQ(-1, table.FindMacroName("A"));
  table.RemoveAllMacros();
  EXPECT_EQ(316, table.GetNumCommands());

  // Duplicates are kept, and renaming takes every one of them.
  for (const char* name : {"Twice", "Bold Text", "Twice", "Other"}) table.AddMacro(name);
  EXPECT_EQ(320, table.GetNumCommands());
  EXPECT_EQ(0, table.FindMacroName("Twice"));
  EXPECT_EQ(1, table.FindMacroName("Bold Text"));
  EXPECT_EQ(11, table.FindCommandName("Bold Text"));  // the built-in comes first
  EXPECT_EQ(316, table.FindCommandCode(CKeyboardTable::MacroCommand));
  table.RenameMacro("Twice", "Once");
  EXPECT_EQ(-1, table.FindMacroName("Twice"));
  EXPECT_EQ("Once", shown(table.GetCommandName(316)));
  EXPECT_EQ("Once", shown(table.GetCommandName(318)));
  // Renaming a built-in's name touches only the macro.
  table.RenameMacro("Bold Text", "Bolder");
  EXPECT_EQ("Bold Text", shown(table.GetCommandName(11)));
  EXPECT_EQ(1, table.FindMacroName("Bolder"));

  for (const int number : {-1, 4, 1000, -317}) {
    table.DeleteMacro(number);
    EXPECT_EQ(320, table.GetNumCommands()) << number;
  }
  table.DeleteMacro(1);
  EXPECT_EQ(2, table.FindMacroName("Other"));

  const std::string long_name(70, 'm');
  table.AddMacro(long_name.c_str());
  EXPECT_EQ(long_name.substr(0, 49), shown(table.GetCommandName(table.GetNumCommands() - 1)));
  EXPECT_EQ(3, table.FindMacroName(long_name.substr(0, 49).c_str()));
  table.RemoveAllMacros();
  table.RemoveAllMacros();
  EXPECT_EQ(316, table.GetNumCommands());
  EXPECT_EQ(-1, table.FindMacroName("Once"));
}

// Archives go through real files, as the host keeps them.
class KeyboardArchive : public ::testing::Test {
 protected:
  template <class Array>
  void store(Array& array) {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    array.Serialize(ar);
    ar.Close();
    file.Close();
  }
  template <class Array>
  void load(Array& array) {
    CFile file(path.c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    array.Serialize(ar);
  }
  std::string bytes() const { return ReadWholeFile(path); }

  ScratchFolder folder;
  std::string path = folder.path("keyboard.bin");
};

std::string record(std::string name, std::size_t field, WORD code) {
  name.resize(field, '\0');
  return name + static_cast<char>(code & 0xFF) + static_cast<char>(code >> 8);
}

TEST_F(KeyboardArchive, RecordsLieInTheirLayout) {
  CKeyboardTable table;
  store(table.m_aKeys);
  std::string got = bytes();
  ASSERT_EQ(2u + 76u * 27u, got.size());
  EXPECT_EQ(std::string("\x4C\x00", 2), got.substr(0, 2));
  EXPECT_EQ(record("A", 25, 0x41), got.substr(2, 27));
  EXPECT_EQ(record(";  :", 25, 0xBA), got.substr(2 + 64 * 27, 27));
  EXPECT_EQ(record("Esc", 25, 0x1B), got.substr(2 + 75 * 27, 27));

  store(table.m_aQuickKeys);
  EXPECT_EQ(2u + 75u * 27u, bytes().size());

  table.AddMacro("Sign Off");
  store(table.m_aCommands);
  got = bytes();
  ASSERT_EQ(2u + 317u * 52u, got.size());
  EXPECT_EQ(std::string("\x3D\x01", 2), got.substr(0, 2));
  EXPECT_EQ(record("Dictionary Entry  1", 50, 0x8078), got.substr(2, 52));
  EXPECT_EQ(record("Sign Off", 50, 0x8009), got.substr(2 + 316 * 52, 52));
}

// Each array read into a table that held something else is written back to
// the same bytes.
TEST_F(KeyboardArchive, EveryArrayComesBackWhole) {
  CKeyboardTable table;
  table.AddMacro("Sign Off");
  table.AddMacro("Heading");
  CKeyboardTable back;
  back.AddMacro("Something Else");
  back.m_aKeys.RemoveAt(0, 10);
  const auto round_trip = [this](auto& from, auto& to) {
    store(from);
    const std::string stored = bytes();
    load(to);
    store(to);
    EXPECT_EQ(stored, bytes());
  };
  round_trip(table.m_aKeys, back.m_aKeys);
  round_trip(table.m_aQuickKeys, back.m_aQuickKeys);
  round_trip(table.m_aCommands, back.m_aCommands);
  EXPECT_EQ(76, back.GetNumCmdKeys());
  EXPECT_EQ(318, back.GetNumCommands());
  EXPECT_EQ(1, back.FindMacroName("Heading"));
  EXPECT_EQ("Heading\tCtrl + Shift + B",
            shown(list_string(back, 0x0C, 0x42, CKeyboardTable::MacroCommand, 1)));
}

// A name that fills its whole field without a terminator is read within the
// field and written back as it came.
TEST_F(KeyboardArchive, NamesWithoutTerminatorStayInTheirField) {
  const std::string key_name(25, 'K');
  const std::string command_name(50, 'C');
  WriteWholeFile(path, std::string("\x01\x00", 2) + key_name + std::string("\x42\x00", 2));
  CKeyboardTable table;
  load(table.m_aKeys);
  EXPECT_EQ(key_name, shown(table.GetCmdKeyName(0)));
  EXPECT_EQ(0, table.FindCmdKeyName(key_name.c_str()));
  EXPECT_EQ("Bold Text\t" + key_name, shown(list_string(table, 0, 0x42, 0x8004)));

  const std::string commands = std::string("\x02\x00", 2) + command_name +
                               std::string("\x04\x80", 2) + record("Macro", 50, 0x8009);
  WriteWholeFile(path, commands);
  load(table.m_aCommands);
  EXPECT_EQ(command_name, shown(table.GetCommandName(0)));
  EXPECT_EQ(command_name + "\t" + key_name, shown(list_string(table, 0, 0x42, 0x8004)));
  store(table.m_aCommands);
  EXPECT_EQ(commands, bytes());
}

// A command array shorter than the built-ins holds no macros; the macro
// operations must neither reach below it nor pad it out.
TEST_F(KeyboardArchive, ShortCommandArrayHoldsNoMacros) {
  WriteWholeFile(path, std::string("\x01\x00", 2) + record("Macro", 50, 0x8009));
  CKeyboardTable table;
  load(table.m_aCommands);
  table.RemoveAllMacros();
  table.DeleteMacro(0);
  table.RenameMacro("Macro", "Renamed");
  EXPECT_EQ(1, table.GetNumCommands());
  EXPECT_EQ("Macro", shown(table.GetCommandName(0)));
  EXPECT_EQ(-1, table.FindMacroName("Macro"));
  EXPECT_EQ("Macro\tB", shown(list_string(table, 0, 0x42, 0x8009)));
  EXPECT_EQ("#33000:Command\tB", shown(list_string(table, 0, 0x42, 33000)));
  EXPECT_EQ("ERROR", shown(list_string(table, 0, 0x42, 0x8009, 1)));
}

// Counts are bounded by the bytes present: a damaged archive throws before
// the array it was to fill changes.
TEST_F(KeyboardArchive, DamagedArchivesAreRefused) {
  const struct {
    const char* what;
    std::string keys, commands;
  } damaged[] = {
      {"empty", "", ""},
      {"cut in the count", std::string("\x01", 1), std::string("\x01", 1)},
      {"one record short", std::string("\x02\x00", 2) + record("A", 25, 0x41),
       std::string("\x02\x00", 2) + record("Bold Text", 50, 0x8004)},
      {"cut in a record", std::string("\x01\x00", 2) + record("A", 25, 0x41).substr(0, 26),
       std::string("\x01\x00", 2) + record("Bold Text", 50, 0x8004).substr(0, 51)},
      {"two billion records", std::string("\xFF\xFF\xFF\xFF\xFF\x7F", 6),
       std::string("\xFF\xFF\xFF\xFF\xFF\x7F", 6)},
      {"escape without its count", std::string("\xFF\xFF\x01", 3), std::string("\xFF\xFF\x01", 3)},
  };
  for (const auto& d : damaged) {
    CKeyboardTable table;
    WriteWholeFile(path, d.keys);
    EXPECT_THROW(load(table.m_aKeys), CArchiveException) << d.what;
    EXPECT_EQ(76, table.GetNumCmdKeys()) << d.what;
    EXPECT_EQ("A", shown(table.GetCmdKeyName(0))) << d.what;
    WriteWholeFile(path, d.commands);
    EXPECT_THROW(load(table.m_aCommands), CArchiveException) << d.what;
    EXPECT_EQ(316, table.GetNumCommands()) << d.what;
    EXPECT_EQ("Dictionary Entry  1", shown(table.GetCommandName(0))) << d.what;
  }
}

}  // namespace
