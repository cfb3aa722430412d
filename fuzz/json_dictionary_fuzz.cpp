// Arbitrary bytes as a JSON steno dictionary. A file the reader refuses
// leaves the dictionary empty and says where it failed; a file it takes,
// written as JSON and read back, gives the same entries (texts, flags,
// extras, the invalid entries), and that JSON written again gives the same
// bytes; written as RTF/CRE and read back it gives the same JSON.

#include <kelm/kelm.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

// One line an entry, sorted: JSON is written in steno key order.
std::string describe(const CStenoDictionary& dictionary) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i) {
    const std::span<const BYTE> keys = dictionary.GetKeys(i);
    std::string line(reinterpret_cast<const char*>(keys.data()), keys.size());
    const CStenoDictionary::Translation t = dictionary.GetTranslation(i);
    line += '\0' + std::string(t.text) + '\0' + std::to_string(t.flags.GetUShort());
    for (const CStenoDictionary::Extra& extra : dictionary.GetExtras(i))
      line += '\0' + std::to_string(extra.position) + ':' + std::string(extra.rtf);
    lines.push_back(line);
  }
  for (const CStenoDictionary::InvalidOutline& invalid : dictionary.GetInvalidOutlines())
    lines.push_back(invalid.text + '\0' + invalid.rtf);
  std::sort(lines.begin(), lines.end());
  std::string shown;
  for (const std::string& line : lines) shown += line + '\n';
  return shown;
}

std::vector<BYTE> bytes_of(CMemFile& file) {
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

std::vector<BYTE> json_of(const CStenoDictionary& dictionary) {
  CMemFile file;
  dictionary.WriteJson(file);
  return bytes_of(file);
}

std::vector<BYTE> rtf_of(const CStenoDictionary& dictionary) {
  CMemFile file;
  dictionary.Write(file, CTime(2001, 3, 5, 14, 30, 0));
  return bytes_of(file);
}

long read(std::vector<BYTE>& bytes, CStenoDictionary& dictionary) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  return dictionary.Read(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KelmSetMessageBoxHandler([](LPCSTR, LPCSTR, UINT) -> int { std::abort(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<BYTE> input(data, data + size);
  CStenoDictionary first;
  const long result = read(input, first);
  if (result != 0) {
    require(first.GetCount() == 0 && first.GetInvalidOutlines().empty());
    require(result < CStenoDictionary::errorJsonSyntax ||
            result > CStenoDictionary::errorJsonTooLong || first.GetErrorLine() > 0);
    return 0;
  }
  // An RTF/CRE file is the other fuzz target's.
  if (std::string_view(reinterpret_cast<const char*>(data), size).find("{\\rtf") !=
      std::string_view::npos)
    return 0;
  std::vector<BYTE> once = json_of(first);
  CStenoDictionary second;
  require(read(once, second) == 0);
  require(second.GetDuplicateCount() == 0);
  require(describe(first) == describe(second));
  require(json_of(second) == once);
  std::vector<BYTE> rtf = rtf_of(first);
  CStenoDictionary third;
  require(read(rtf, third) == 0);
  require(json_of(third) == once);
  return 0;
}
