#include "settings/auto_complete_options.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/profile.h"

namespace {

constexpr int saved_words_max = 50;

// The buffer a word has always been read into. A value that fills it may
// have been cut, so it is read again in a buffer twice the size: a long
// word comes back whole.
constexpr DWORD first_read_size = 255;

// A value or, with a null key, the section's key names separated by zeros.
std::string read_profile(LPCSTR section, LPCSTR key, LPCSTR file) {
  for (DWORD size = first_read_size;; size *= 2) {
    std::string text(size, '\0');
    const DWORD copied = GetPrivateProfileStringA(section, key, "", text.data(), size, file);
    // A cut value fills size - 1 bytes, a cut key list size - 2.
    if (copied + 2 < size) {
      text.resize(copied);
      return text;
    }
  }
}

CString decimal(int number) { return CString(std::to_string(number).c_str()); }

// The words sit under the keys "0" to "Count - 1", gaps allowed. Only the
// keys the section really holds are looked up, in index order, so a damaged
// "Count" of two billion costs no more than a sound one.
std::set<int> word_indices(LPCSTR section, LPCSTR file, int count) {
  std::set<int> indices;
  const std::string keys = read_profile(section, nullptr, file);
  for (size_t start = 0; start < keys.size();) {
    const size_t end = std::min(keys.find('\0', start), keys.size());
    const std::string_view key(keys.data() + start, end - start);
    int index = -1;
    const auto [stop, error] = std::from_chars(key.data(), key.data() + key.size(), index);
    // Only the form "%d" writes: "01" or "+1" is another key.
    if (error == std::errc{} && stop == key.data() + key.size() && index >= 0 && index < count &&
        std::to_string(index) == key)
      indices.insert(index);
    start = end + 1;
  }
  return indices;
}

}  // namespace

int CAutoCompleteOptions::GetNumItems() const { return static_cast<int>(items.GetSize()); }

CString CAutoCompleteOptions::GetItem(int i) const {
  if (i < 0 || i >= GetNumItems()) return CString();
  return items[i];
}

void CAutoCompleteOptions::ClearItems() { items.RemoveAll(); }

void CAutoCompleteOptions::AddItem(CString word) { items.Add(word); }

void CAutoCompleteOptions::AppendItems(const CStringArray& words) { items.Append(words); }

void CAutoCompleteOptions::InsertItem(CString word) {
  if (word.IsEmpty()) return;
  for (int i = GetNumItems() - 1; i >= 0; --i)
    if (items[i] == word) items.RemoveAt(i);
  items.InsertAt(0, word);
}

void CAutoCompleteOptions::Read(CString file, CString sectionName) {
  ClearItems();
  const int count = static_cast<int>(GetPrivateProfileIntA(sectionName, "Count", 0, file));
  for (const int i : word_indices(sectionName, file, count)) {
    const std::string word = read_profile(sectionName, decimal(i), file);
    if (!word.empty()) items.Add(CString(std::string_view(word)));
  }
  enabled = static_cast<int>(GetPrivateProfileIntA(sectionName, "Auto Complete", 0, file));
  loadHistory = static_cast<int>(GetPrivateProfileIntA(sectionName, "Load History", enabled, file));
  numChars = static_cast<int>(GetPrivateProfileIntA(sectionName, "Num Chars", 4, file));
  iniFile = file;
  section = sectionName;
}

// Keys left from a longer list stay in the file; Read stops at "Count".
int CAutoCompleteOptions::Save() {
  if (iniFile.IsEmpty() || section.IsEmpty()) return 0;
  const int count = std::min(GetNumItems(), saved_words_max);
  std::vector<std::pair<CString, CString>> entries;
  for (int i = 0; i < count; ++i) entries.emplace_back(decimal(i), items[i]);
  entries.emplace_back("Count", decimal(count));
  entries.emplace_back("Load History", decimal(loadHistory));
  entries.emplace_back("Auto Complete", decimal(enabled));
  entries.emplace_back("Num Chars", decimal(numChars));
  for (const auto& [key, text] : entries)
    if (!WritePrivateProfileStringA(section, key, text, iniFile)) return 0;
  return 1;
}
