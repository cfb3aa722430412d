// The bytes of a dictionary file for its reader, followed by a NUL: a
// read-only view of a regular file, or a copy of anything else (a pipe, a
// CMemFile). Internal to the reader.
#pragma once

#include "platform/file.h"
#include "platform/file_mapping.h"
#include "platform/types.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string_view>

namespace dictionary_read {

// Stream offsets are 32-bit, so no more of a file is read.
constexpr std::size_t most_bytes = std::numeric_limits<DWORD>::max();

struct Unmap {
  void operator()(LPCVOID view) const { UnmapViewOfFile(view); }
};

// The file's bytes from where it stands to its end, or to where stream
// offsets end, followed by a NUL: a view of the file, or a copy.
struct FileBytes {
  std::unique_ptr<char[]> copy;
  std::unique_ptr<const void, Unmap> mapped;
  const char* data = nullptr;
  std::size_t size = 0;
  std::string_view view() const { return {data, size}; }
  // False when the file was cut short under the view, so that some of the
  // bytes read as zeros.
  bool intact() const { return !mapped || KelmIsViewIntact(mapped.get()); }
};

enum class DictionaryFormat { none, rtf, json };

// The file's bytes from where it stands, when they begin as a dictionary:
// RTF with "{\rtf", JSON with "{" and a string (or its "}"), each after
// blanks and line breaks, and after a UTF-8 byte-order mark (`utf8_mark`),
// which editors put before UTF-8 text. Mapped, or read whole before they are
// looked at, so that a pipe need not go back. A file refused (none) is left
// where it stood, or at its end when it cannot go back.
DictionaryFormat take_dictionary(CFile& file, FileBytes& bytes, bool& utf8_mark);

}  // namespace dictionary_read
