// Arbitrary bytes as a host's archive of a keyboard table: its key names,
// quick keys and commands, one array after another. Beyond surviving them,
// each array that loads must hold the records exactly as the bytes gave them,
// come back unchanged through its archive form, and keep every table
// operation within it.

#include <kelm/kelm.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

template <class Entry>
std::vector<BYTE> stored(CArray<Entry, Entry&>& array) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  array.Serialize(ar);
  ar.Close();
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

template <class Entry>
void load(CArray<Entry, Entry&>& array, std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  array.Serialize(ar);
}

// Compares records as bytes; an empty array may hold no storage at all.
template <class Entry>
bool same_bytes(const Entry* records, const BYTE* bytes, INT_PTR count) {
  return count == 0 || std::memcmp(records, bytes, sizeof(Entry) * count) == 0;
}

// The records lie in the input as they lie in memory, after a count that
// takes two bytes below 0xFFFF and six from there on (or, in a file from
// elsewhere, six for a smaller count too).
template <class Entry>
void check_round_trip(CArray<Entry, Entry&>& array, const std::uint8_t* data) {
  const INT_PTR count = array.GetSize();
  const bool escaped = data[0] == 0xFF && data[1] == 0xFF;
  const std::size_t count_size = count < 0xFFFF ? 2 : 6;
  std::vector<BYTE> bytes = stored(array);
  require(bytes.size() == count_size + sizeof(Entry) * count);
  require(same_bytes(array.GetData(), bytes.data() + count_size, count));
  require(same_bytes(array.GetData(), data + (escaped ? 6 : 2), count));
  if (escaped == (count_size == 6)) require(std::memcmp(bytes.data(), data, count_size) == 0);
  CArray<Entry, Entry&> back;
  load(back, bytes);
  require(back.GetSize() == count && same_bytes(back.GetData(), bytes.data() + count_size, count));
}

// Loads one array from the front of the input; the bytes it took are dropped.
template <class Entry>
bool load_front(CArray<Entry, Entry&>& array, const std::uint8_t*& data, std::size_t& size) {
  std::vector<BYTE> bytes(data, data + size);
  try {
    load(array, bytes);
  } catch (const CArchiveException&) {
    return false;
  }
  check_round_trip(array, data);
  const std::size_t taken = (data[0] == 0xFF && data[1] == 0xFF ? 6 : 2) +
                            sizeof(Entry) * static_cast<std::size_t>(array.GetSize());
  data += taken;
  size -= taken;
  return true;
}

// Searches are linear, so the checks take the first entries only.
constexpr int checked_entries = 64;

void check_names(const CKeyboardTable& table) {
  for (int i = 0; i < std::min(table.GetNumCommands(), checked_entries); ++i) {
    const CString name = table.GetCommandName(i);
    require(name.GetLength() <= 50);
    const int found = table.FindCommandName(name);
    require(found >= 0 && found <= i && table.GetCommandName(found) == name);
    const int code = table.FindCommandCode(static_cast<WORD>(table.GetCommandCode(i)));
    require(code >= 0 && code <= i);
  }
  for (int i = 0; i < std::min(table.GetNumCmdKeys(), checked_entries); ++i) {
    const CString name = table.GetCmdKeyName(i);
    require(name.GetLength() <= 25);
    const int found = table.FindCmdKeyName(name);
    require(found >= 0 && found <= i);
  }
  for (int i = 0; i < std::min(table.GetNumQuickKeys(), checked_entries); ++i) {
    const int found = table.FindQuickKeyName(table.GetQuickKeyName(i));
    require(found >= 0 && found <= i);
  }
}

// Bindings made of the table's own codes, and of codes it lacks.
void check_list_strings(const CKeyboardTable& table) {
  const int commands = std::min(table.GetNumCommands(), 8);
  const int keys = std::min(table.GetNumCmdKeys(), 2);
  for (int i = -1; i < commands; ++i)
    for (int k = -1; k < keys; ++k)
      for (const WORD macro : {0, 1, 0xFFFF}) {
        const WORD command =
            i == -1 ? CKeyboardTable::MacroCommand : static_cast<WORD>(table.GetCommandCode(i));
        const WORD key = k == -1 ? 0x90 : static_cast<WORD>(table.GetCmdKeyCode(k));
        const CString line = table.GetListString(CKeyboardCommand(0x3C, key, 0, command, macro));
        require(line == "ERROR" || line.Find('\t') >= 0);
      }
}

// Macros come and go after the built-in commands only: a command array
// shorter than those holds none, and is never padded out.
void check_macros(CKeyboardTable& table) {
  const int commands = table.GetNumCommands();
  table.AddMacro("Fuzzed");
  table.RenameMacro("Fuzzed", "Renamed");
  table.DeleteMacro(table.FindMacroName("Renamed"));
  require(table.GetNumCommands() >= commands);
  const int before = table.GetNumCommands();
  table.RemoveAllMacros();
  require(table.GetNumCommands() == std::min(table.GetOrigSize(), before));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CKeyboardTable table;
  if (load_front(table.m_aKeys, data, size) && load_front(table.m_aQuickKeys, data, size))
    load_front(table.m_aCommands, data, size);
  check_names(table);
  check_list_strings(table);
  check_macros(table);
  return 0;
}
