#include "dictionary/steno_dictionary.h"

#include "dictionary/cre_markers.h"
#include "dictionary/rtf_cre_writer.h"
#include "dictionary/rtf_text_decoder.h"
#include "platform/error.h"
#include "platform/exception.h"
#include "platform/file_operations.h"
#include "rtf/rtf_control_words.h"
#include "textrules/string_rules.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

bool is_punctuation_mark(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return CStringRules::IsPunctuation(c) != 0; });
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whether the character at `at` is a backslash that begins a control word
// or escape, not one escaped by the backslash before it: it ends a run of
// an odd number of backslashes.
bool begins_escape(std::string_view rtf, std::size_t at) {
  std::size_t backslashes = 0;
  while (backslashes <= at && rtf[at - backslashes] == '\\') ++backslashes;
  return backslashes % 2 == 1;
}

// Whether RTF ends in a control word, which what follows must not run on
// into: a backslash not itself escaped, letters, and a parameter.
bool ends_with_control_word(std::string_view rtf) {
  std::size_t end = rtf.size();
  while (end > 0 && is_digit(rtf[end - 1])) --end;
  // A minus without digits still waits for them.
  if (end > 0 && rtf[end - 1] == '-') --end;
  const std::size_t letters_end = end;
  while (end > 0 && is_letter(rtf[end - 1])) --end;
  return end != letters_end && end > 0 && begins_escape(rtf, end - 1);
}

bool is_hex_digit(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether RTF ends in a \' escape short of its two hex digits, which a hex
// digit after it would complete.
bool ends_with_open_escape(std::string_view rtf) {
  std::size_t end = rtf.size();
  if (end > 0 && is_hex_digit(rtf[end - 1]) && end > 1 && rtf[end - 2] == '\'') --end;
  return end >= 2 && rtf[end - 1] == '\'' && begins_escape(rtf, end - 2);
}

// The UTF-16 unit of a \uN escape that RTF begins or ends with; 0 when it
// has none there.
unsigned unicode_unit(std::string_view digits, bool negative) {
  long n = 0;
  for (const char c : digits) n = std::min(n * 10 + (c - '0'), 0x10000L);
  return static_cast<unsigned>(negative ? -n : n) & 0xFFFF;
}

unsigned first_unicode_escape(std::string_view rtf) {
  if (!rtf.starts_with("\\u")) return 0;
  rtf.remove_prefix(2);
  const bool negative = rtf.starts_with('-');
  if (negative) rtf.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < rtf.size() && is_digit(rtf[digits])) ++digits;
  return digits == 0 ? 0 : unicode_unit(rtf.substr(0, digits), negative);
}

unsigned last_unicode_escape(std::string_view rtf) {
  std::size_t start = rtf.size();
  while (start > 0 && is_digit(rtf[start - 1])) --start;
  const bool negative = start > 0 && rtf[start - 1] == '-';
  const std::size_t word = start - (negative ? 1 : 0);
  if (start == rtf.size() || word < 2 || rtf[word - 1] != 'u' || !begins_escape(rtf, word - 2))
    return 0;
  return unicode_unit(rtf.substr(start), negative);
}

// A brace that the piece of RTF opens and does not close is the start of a
// group whose first word the dictionary read (\cxds and the like) and does
// not write there; what follows it would be read as that group's first word,
// a destination perhaps. An empty group after the brace keeps it from being
// first, and reads back as nothing.
std::string guard_open_braces(std::string_view rtf) {
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf.substr(i).starts_with("\\bin")) {
      // Binary data holds no groups.
      std::size_t end = i + 4;
      std::size_t count = 0;
      while (end < rtf.size() && rtf[end] >= '0' && rtf[end] <= '9' && count <= rtf.size())
        count = count * 10 + static_cast<std::size_t>(rtf[end++] - '0');
      if (end < rtf.size() && rtf[end] == ' ') ++end;
      if (end > i + 4) i = std::min(end + count, rtf.size()) - 1;
    } else if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      open.push_back(i);
    } else if (rtf[i] == '}' && !open.empty()) {
      open.pop_back();
    }
  }
  std::string guarded(rtf);
  for (auto at = open.rbegin(); at != open.rend(); ++at)
    if (*at + 1 < guarded.size() && guarded[*at + 1] == '\\') guarded.insert(*at + 1, "{}");
  return guarded;
}

// What would run on into a control word before it: its letters and
// parameter, and the blank that it would take as its delimiter.
bool continues_control_word(char c) { return is_letter(c) || is_digit(c) || c == ' ' || c == '-'; }

class DictionaryWriter : public CRtfCreWriter {
 public:
  DictionaryWriter(CFile& file, const CStenoDictionary& dictionary, CTime created)
      : CRtfCreWriter(file, created), m_dictionary(dictionary) {}

  void Header() override { WriteHeader(true); }

  void Document() override {
    const std::vector<CStenoDictionary::InvalidOutline>& invalid =
        m_dictionary.GetInvalidOutlines();
    std::size_t next_invalid = 0;
    for (std::size_t i = 0; i <= m_dictionary.GetCount(); ++i) {
      for (; next_invalid < invalid.size() &&
             (invalid[next_invalid].before <= i || i == m_dictionary.GetCount());
           ++next_invalid) {
        NewLine();
        WriteRtf(invalid[next_invalid].rtf);
      }
      if (i < m_dictionary.GetCount()) WriteEntry(i);
    }
    NewLine();
  }

 private:
  // One entry a line, as dictionaries are read by people too.
  void NewLine() {
    m_pFile->Write("\r\n", 2);
    m_nColumn = 1;
  }

  void WriteEntry(std::size_t index) {
    NewLine();
    m_bAfterWord = false;
    WriteOutline(m_dictionary.GetKeys(index));

    const CStenoDictionary::Translation t = m_dictionary.GetTranslation(index);
    const std::vector<CStenoDictionary::Extra> extras = m_dictionary.GetExtras(index);
    // A sentence's mark with the spacing and capitals its group implies is
    // the group alone; the same mark without them is plain text, which
    // reads back without them.
    const WORD implied = cre_punctuation_flags(t.text);
    if (extras.empty() && implied != 0 && t.flags.GetUShort() == implied) {
      WritePunctuation(t.text);
      return;
    }
    const bool suffix = t.flags.GetSuffix(), prefix = t.flags.GetPrefix();
    const bool capitalize = t.flags.GetCapitalizeNext();
    // With no text a single \cxds reads as both, so one of them alone needs
    // the flag word.
    const bool bare = t.text.empty() && (suffix || prefix);
    const WORD expressed = bare ? cre_marker_flags(true, true, capitalize)
                                : cre_marker_flags(suffix, prefix, capitalize);
    if (expressed != t.flags.GetUShort())
      OutputKeyParam(szRTFCW_cxkelmdictflags, t.flags.GetUShort(), 0);
    if (suffix || bare) EmitKeyword(szRTFCW_cxds, 0);
    // A mark goes in a punctuation group, unless extras stand among its
    // characters: a stand-in for a character 1252 cannot hold must follow
    // its \u escape directly.
    if (extras.empty() && implied == 0 && is_punctuation_mark(t.text)) {
      WritePunctuation(t.text);
    } else {
      std::size_t written = 0;
      std::string_view before;
      for (const CStenoDictionary::Extra& extra : extras) {
        WriteTextPart(t.text.substr(written, extra.position - written));
        // Halves of a surrogate pair that the file's fallback count kept
        // apart would pair across the one stand-in written between them; an
        // empty group parts them.
        if (extra.position == written + 1 &&
            rtf_text::is_high_surrogate(last_unicode_escape(before)) &&
            rtf_text::is_low_surrogate(first_unicode_escape(extra.rtf))) {
          EmitKeyword(szRTFGROUPBEGIN, 0);
          EmitKeyword(szRTFGROUPEND, 0);
        }
        written = extra.position;
        WriteRtf(extra.rtf);
        before = extra.rtf;
      }
      WriteTextPart(t.text.substr(written));
    }
    if (capitalize) EmitKeyword(szRTFCW_cxfc, 0);
    if (prefix && !bare) EmitKeyword(szRTFCW_cxds, 0);
  }

  void WriteTextPart(std::string_view text) {
    if (text.empty()) return;
    if (!continues_control_word(text.front())) {
      // Text that cannot run on into a control word needs no blank after it.
      m_bDelimited = TRUE;
    } else if (m_bAfterWord) {
      // A blank would become part of the extra when read back; an escape
      // ends the word as the file's own next byte did.
      static constexpr char hex[] = "0123456789abcdef";
      const auto c = static_cast<unsigned char>(text.front());
      const char escape[4] = {'\\', '\'', hex[c >> 4], hex[c & 0xF]};
      m_pFile->Write(escape, sizeof escape);
      m_nColumn += static_cast<int>(sizeof escape);
      m_bDelimited = TRUE;
      text.remove_prefix(1);
    }
    m_bAfterWord = false;
    WriteText(text, false);
  }

  // RTF kept as the file spelled it.
  void WriteRtf(std::string_view kept) {
    if (kept.empty()) return;
    const std::string guarded = guard_open_braces(kept);
    const std::string_view rtf = guarded;
    // RTF that begins as text (what the scanner could not place) would run
    // on from the text before it; an empty group parts them.
    if (rtf.front() != '\\' && rtf.front() != '{' && rtf.front() != '}') {
      EmitKeyword(szRTFGROUPBEGIN, 0);
      EmitKeyword(szRTFGROUPEND, 0);
    }
    if (m_nColumn > 80 && (rtf.front() == '\\' || rtf.front() == '{')) NewLine();
    m_pFile->Write(rtf.data(), static_cast<UINT>(rtf.size()));
    const std::size_t line_end = rtf.find_last_of('\n');
    m_nColumn = line_end == std::string_view::npos ? m_nColumn + static_cast<int>(rtf.size())
                                                   : static_cast<int>(rtf.size() - line_end);
    m_bDelimited = !ends_with_control_word(rtf);
    m_bAfterWord = !m_bDelimited || ends_with_open_escape(rtf);
  }

  void WritePunctuation(std::string_view mark) {
    EmitKeyword(szRTFGROUPBEGIN, 0);
    EmitKeyword(szRTFCW_cxp, 0);
    // A mark ends the control word by itself, except a hyphen, which would
    // be read as the sign of a parameter.
    if (mark.front() != '-') m_bDelimited = TRUE;
    EmitText(mark);
    EmitKeyword(szRTFGROUPEND, 0);
  }

  const CStenoDictionary& m_dictionary;
  // The last thing written was an extra that ends in a control word, or in
  // an escape short of its hex digits.
  bool m_bAfterWord = false;
};

// The folder part of a Windows path, where the temporary file goes so that
// the rename stays within one file system.
CString folder_of(LPCSTR path) {
  const CString whole(path);
  const int slash = std::max(whole.ReverseFind('\\'), whole.ReverseFind('/'));
  if (slash < 0) return ".";
  return slash == 0 ? whole.Left(1) : whole.Left(slash);
}

// The file exception cause of a Win32 error, as MFC's OsErrorToException
// finds it, so that every file error of Write has one kind of code.
int cause_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return CFileException::badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return CFileException::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
      return CFileException::accessDenied;
    case ERROR_DISK_FULL:
      return CFileException::diskFull;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
      return CFileException::hardIO;
    default:
      return CFileException::genericException;
  }
}

}  // namespace

void CStenoDictionary::Write(CFile& file, CTime created) const {
  DictionaryWriter writer(file, *this, created);
  writer.File();
}

long CStenoDictionary::Write(LPCSTR path) const {
  CString name(path);
  name.MakeLower();
  return Write(path, name.Right(5) == ".json" ? Format::json : Format::rtf);
}

long CStenoDictionary::Write(LPCSTR path, Format format) const {
  char temporary[MAX_PATH];
  if (GetTempFileNameA(folder_of(path), "dic", 0, temporary) == 0)
    return errorFile + cause_of(GetLastError());
  try {
    CFile file(temporary, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    if (format == Format::json)
      WriteJson(file);
    else
      Write(file, CTime::GetCurrentTime());
    file.Flush();
    file.Close();
  } catch (const CFileException& e) {
    DeleteFileA(temporary);
    return errorFile + e.m_cause;
  } catch (...) {
    DeleteFileA(temporary);
    throw;
  }
  if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary);
    return errorFile + cause_of(error);
  }
  return 0;
}
