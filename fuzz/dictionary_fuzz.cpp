// Arbitrary bytes as an RTF/CRE dictionary. Whatever the reader makes of
// them, writing it and reading that back must give the same dictionary (the
// entries with their flags and extras, the invalid entries in their places),
// a file the reader takes without a fault, and, written again, the same
// bytes. Every entry converts to the open steno translation language as
// well-formed UTF-8.
//
// The seeds of fuzz/corpus/dictionary are joined at start-up by the real
// dictionaries of the shared data and the examples' sample, copied into the
// corpus folder libFuzzer writes to (they are not ours to keep in the tree).

#include <kelm/kelm.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

std::string describe(const CStenoDictionary& dictionary) {
  std::string shown;
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i) {
    const std::span<const BYTE> keys = dictionary.GetKeys(i);
    shown.append(reinterpret_cast<const char*>(keys.data()), keys.size());
    const CStenoDictionary::Translation t = dictionary.GetTranslation(i);
    shown += '\0' + std::string(t.text) + '\0' + std::to_string(t.flags.GetUShort());
    for (const CStenoDictionary::Extra& extra : dictionary.GetExtras(i))
      shown += '\0' + std::to_string(extra.position) + ':' + std::string(extra.rtf);
    shown += '\n';
  }
  for (const CStenoDictionary::InvalidOutline& invalid : dictionary.GetInvalidOutlines())
    shown += std::to_string(invalid.before) + ':' + invalid.text + '\0' + invalid.rtf + '\n';
  return shown;
}

std::vector<BYTE> written(const CStenoDictionary& dictionary) {
  CMemFile file;
  dictionary.Write(file, CTime(2001, 3, 5, 14, 30, 0));
  std::vector<BYTE> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

bool is_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

void require_converts(const CStenoDictionary& dictionary) {
  const CRtfStyleNames styles;
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i) {
    const CStenoDictionary::Translation t = dictionary.GetTranslation(i);
    require(is_utf8(KelmJsonFromRtfEntry(t.text, t.flags, dictionary.GetExtras(i), styles).text));
  }
}

// Message boxes are the reader's way to report a fault of its own.
void no_message_boxes() {
  KelmSetMessageBoxHandler([](LPCSTR, LPCSTR, UINT) -> int { std::abort(); });
}

void add_seeds(const char* corpus) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const fs::path& from : {fs::path(KELM_SHARED_DATA_DIR) / "rtf", fs::path(KELM_EXAMPLES_DIR)})
    for (const fs::directory_entry& entry : fs::directory_iterator(from, ignored))
      if (entry.path().extension() == ".rtf")
        fs::copy_file(entry.path(), fs::path(corpus) / ("seed_" + entry.path().filename().string()),
                      fs::copy_options::skip_existing, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  no_message_boxes();
  // The first folder named is the one libFuzzer writes to.
  for (int i = 1; i < *argc; ++i) {
    const std::string_view arg = (*argv)[i];
    if (!arg.starts_with('-') && std::filesystem::is_directory(arg)) {
      add_seeds((*argv)[i]);
      break;
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<BYTE> input(data, data + size);
  CMemFile in(input.data(), static_cast<UINT>(input.size()));
  CStenoDictionary first;
  if (first.Read(in) == CStenoDictionary::errorNotRtf) {
    require(first.GetCount() == 0);
    return 0;
  }
  std::vector<BYTE> once = written(first);
  CMemFile again(once.data(), static_cast<UINT>(once.size()));
  CStenoDictionary second;
  require(second.Read(again) == 0);
  require(second.GetDuplicateCount() == 0);
  require(describe(first) == describe(second));
  require(written(second) == once);
  require_converts(first);
  return 0;
}
