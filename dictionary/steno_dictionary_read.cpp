#include "dictionary/steno_dictionary.h"

#include "dictionary/dictionary_file.h"
#include "dictionary/dictionary_reader.h"
#include "dictionary/open_steno_from_rtf.h"
#include "platform/exception.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_scanner.h"

#include <algorithm>
#include <cctype>

namespace {

using namespace dictionary_read;

constexpr std::size_t max_arena = 0xFFFFFFFFu;

// Line numbers cost a second pass, so only files with invalid outlines pay it.
void number_lines(std::string_view bytes, const std::vector<DWORD>& offsets,
                  std::span<CStenoDictionary::InvalidOutline> invalid) {
  unsigned long line = 1;
  std::size_t position = 0;
  for (std::size_t next = 0; next < offsets.size(); ++next) {
    const std::size_t offset = std::min<std::size_t>(offsets[next], bytes.size());
    for (; position < offset; ++position)
      if (bytes[position] == '\n' || (bytes[position] == '\r' && (position + 1 == bytes.size() ||
                                                                  bytes[position + 1] != '\n')))
        ++line;
    invalid[next].line = line;
  }
}

// Room for what a file of `bytes` bytes is likely to hold, so that a load
// neither copies its arenas as they grow nor faults in their pages twice.
// Entries in real dictionaries take 20 to 40 bytes of RTF each; what is only
// reserved costs address space, not memory.
void reserve_for(CStenoDictionary& dictionary, ULONGLONG bytes) {
  const std::size_t size = static_cast<std::size_t>(std::min<ULONGLONG>(bytes, max_arena));
  dictionary.Reserve(size / 16, size / 4, size / 2);
}

// The bytes before the first entry, where the stylesheet stands; "\cxs"
// there is the outline's word, not the start of "\cxsystem".
std::string_view header_of(std::string_view rtf) {
  constexpr std::string_view outline = "{\\*\\cxs";
  std::size_t at = rtf.find(outline);
  while (at != std::string_view::npos && at + outline.size() < rtf.size() &&
         std::isalpha(static_cast<unsigned char>(rtf[at + outline.size()])))
    at = rtf.find(outline, at + 1);
  return rtf.substr(0, at);
}

long file_error_code(const CFileException& error) {
  return CStenoDictionary::errorFile + error.m_cause;
}

}  // namespace

long CStenoDictionary::Read(CFile& file) { return Read(file, true); }

long CStenoDictionary::Read(CFile& file, bool bTakePlainEntries) {
  m_nDuplicates = 0;
  m_nUnrepresentable = 0;
  m_nErrorLine = 0;
  m_nErrorColumn = 0;
  const ULONGLONG start = file.GetPosition();
  // The whole file in memory, so that the reader takes entries and the
  // pieces it keeps straight from its bytes.
  FileBytes bytes;
  bool utf8_mark = false;
  const DictionaryFormat format = take_dictionary(file, bytes, utf8_mark);
  if (format == DictionaryFormat::none) return errorNotRtf;
  if (format == DictionaryFormat::json) {
    const long result = ReadJson(bytes, utf8_mark ? 3 : 0);
    if (file.GetPosition() != start + bytes.size)
      file.Seek(static_cast<LONGLONG>(start + bytes.size), CFile::begin);
    return result;
  }
  const std::size_t entries_before = m_entries.size();
  const std::size_t keys_before = m_keys.size();
  const std::size_t text_before = m_text.size();
  const std::size_t extras_before = m_extras.size();
  reserve_for(*this, bytes.size);
  const std::size_t first_invalid = m_invalid.size();
  DictionaryReader reader(*this, m_invalid, bytes.view(), utf8_mark, bTakePlainEntries);
  // The parser only reads it.
  CMemFile memory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data)),
                  static_cast<UINT>(bytes.size));
  long result = 0;
  {
    CRtfParser parser(memory, &reader);
    reader.SetScanner(parser.GetScannerPtr());
    result = parser.Run(true);
  }
  if (result == 0) result = reader.GetError();
  const ULONGLONG end = memory.GetPosition();
  reader.Finish(static_cast<DWORD>(end));
  // Where the parse stopped, as when the scanner read the file itself. A
  // pipe, which cannot go back, was read to its end: it stays there when the
  // parse took it all.
  if (file.GetPosition() != start + end)
    file.Seek(static_cast<LONGLONG>(start + end), CFile::begin);
  // Entries read from bytes that turned to zeros would be wrong without a
  // sign: the dictionary stays as it was, as if the file had not opened.
  if (!bytes.intact()) {
    Truncate(entries_before, keys_before, text_before, extras_before);
    m_invalid.resize(first_invalid);
    return errorFile + CFileException::sharingViolation;
  }
  m_nUnrepresentable = reader.GetUnrepresentableCount();
  m_nDuplicates = IndexAppended();
  for (auto& [number, name] : KelmReadRtfStyleNames(header_of(bytes.view())))
    m_styles[number] = std::move(name);
  number_lines(bytes.view(), reader.GetInvalidOffsets(),
               std::span(m_invalid).subspan(first_invalid));
  return result;
}

long CStenoDictionary::Read(LPCSTR path) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::typeBinary, &error)) return file_error_code(error);
  try {
    return Read(file);
  } catch (const CFileException& e) {
    return file_error_code(e);
  }
}

void CStenoDictionary::Truncate(std::size_t entries, std::size_t keys, std::size_t text,
                                std::size_t extras) {
  m_entries.resize(entries);
  m_keys.resize(keys);
  m_text.resize(text);
  m_extras.resize(extras);
}

CString CStenoDictionary::GetErrorText(long code) const {
  if (code == errorNotRtf)
    return "The file is not RTF: it does not begin with {\\rtf, nor as a JSON object.";
  if (code > errorNotRtf && code <= errorJsonTooLong) {
    static constexpr const char* what[] = {
        "The file is not well-formed JSON",
        "The JSON file is not an object from outlines to translations",
        "A translation is not a string",
        "A translation is longer than 1 MiB",
    };
    CString text;
    text.Format("%s: line %lu, column %lu.", what[code - errorNotRtf - 1], m_nErrorLine,
                m_nErrorColumn);
    return text;
  }
  if (code > errorFile) return CFileException(static_cast<int>(code - errorFile)).Describe();
  CFile none;
  if (code >= 10) return CRtfParser(none, nullptr).GetErrorText(static_cast<int>(code));
  return CRtfScanner(none).GetErrorText(code);
}
