// What the dictionary's reader and writer tests share: files made and read
// in a scratch folder, and dictionaries described as text to compare.
#pragma once

#include "dictionary/steno_dictionary.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "testing/scratch_folder.h"

namespace dictionary_test {

constexpr WORD suffix = 0x8000, prefix = 0x4000, capitalize = 0x2000;

struct Loaded {
  CStenoDictionary dictionary;
  long result = 0;
};

inline Loaded read_file(const std::string& path) {
  Loaded loaded;
  loaded.result = loaded.dictionary.Read(path.c_str());
  return loaded;
}

inline Loaded read_rtf(std::string_view rtf) {
  const ScratchFolder folder;
  WriteWholeFile(folder.path("d.rtf"), rtf);
  return read_file(folder.path("d.rtf"));
}

inline std::string write_rtf(const CStenoDictionary& dictionary) {
  const ScratchFolder folder;
  {
    CFile file(folder.path("w.rtf").c_str(), CFile::modeCreate | CFile::modeWrite);
    dictionary.Write(file, CTime(2001, 3, 5, 14, 30, 0));
  }
  return ReadWholeFile(folder.path("w.rtf"));
}

inline std::string document(std::string_view entries, std::string_view header = "\\ansi") {
  return "{\\rtf1" + std::string(header) +
         "{\\*\\cxrev100}\\cxdict{\\*\\cxsystem x}{\\stylesheet{\\s0 Normal;}}\n" +
         std::string(entries) + "\n}";
}

inline std::string keys_of(const char* outline) {
  std::string keys;
  const CSteno steno(CString(outline), 0);
  for (int i = 0; i < steno.GetStrokeCount(); ++i)
    keys.append(reinterpret_cast<const char*>(steno[i].GetKeyBytes()), CStroke::PackedSize);
  return keys;
}

inline std::span<const BYTE> bytes_of(const std::string& keys) {
  return {reinterpret_cast<const BYTE*>(keys.data()), keys.size()};
}

// "position:rtf" for each extra, joined by "|".
inline std::string describe(const std::vector<CStenoDictionary::Extra>& extras) {
  std::string shown;
  for (const CStenoDictionary::Extra& extra : extras)
    shown +=
        (shown.empty() ? "" : "|") + std::to_string(extra.position) + ":" + std::string(extra.rtf);
  return shown;
}

// Every entry with its text, flags and extras, in order, and the invalid
// entries with their places.
inline std::string describe(const CStenoDictionary& dictionary) {
  std::string shown;
  for (std::size_t i = 0; i < dictionary.GetCount(); ++i)
    shown += std::string(dictionary.GetOutline(i).GetStrDisplay(0).View()) + " \"" +
             std::string(dictionary.GetTranslation(i).text) + "\" " +
             std::to_string(dictionary.GetTranslation(i).flags.GetUShort()) + " " +
             describe(dictionary.GetExtras(i)) + "\n";
  for (const CStenoDictionary::InvalidOutline& invalid : dictionary.GetInvalidOutlines())
    shown += "before " + std::to_string(invalid.before) + ": " + invalid.rtf + "\n";
  return shown;
}

// The outlines of a written dictionary, as the file spells them.
inline std::vector<std::string> outlines_of(const std::string& rtf) {
  std::vector<std::string> outlines;
  const std::string start = "{\\*\\cxs ";
  for (std::size_t at = rtf.find(start); at != std::string::npos; at = rtf.find(start, at + 1)) {
    const std::size_t end = rtf.find('}', at);
    std::string outline = rtf.substr(at + start.size(), end - at - start.size());
    std::erase_if(outline, [](char c) { return c == '\r' || c == '\n'; });
    outlines.push_back(outline);
  }
  return outlines;
}

inline std::string without_creation_time(std::string rtf) {
  const std::size_t start = rtf.find("{\\creatim");
  if (start != std::string::npos) rtf.erase(start, rtf.find('}', start) + 1 - start);
  return rtf;
}

struct EntryCase {
  const char* entry;  // one entry of a document
  const char* outline;
  std::string text;
  WORD flags;
  const char* extras;
};

}  // namespace dictionary_test
