#include "dictionary/dictionary_file.h"

#include "dictionary/kept_rtf.h"
#include "platform/exception.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace dictionary_read {
namespace {

// One read for a file whose length is known, more for one that grows or has
// none (a pipe), whose room doubles, so that its bytes are copied a few times
// at most; the memory is not cleared first, which would cost as much as the
// read.
void read_rest(CFile& file, FileBytes& bytes) {
  const ULONGLONG start = file.GetPosition();
  const ULONGLONG length = file.GetLength();
  std::size_t room = static_cast<std::size_t>(
      std::min<ULONGLONG>(length > start ? length - start : 0, most_bytes));
  bytes.copy = std::make_unique_for_overwrite<char[]>(room + 1);
  for (;;) {
    const std::size_t wanted = room - bytes.size;
    const UINT got =
        wanted == 0 ? 0 : file.Read(bytes.copy.get() + bytes.size, static_cast<UINT>(wanted));
    bytes.size += got;
    if (bytes.size == most_bytes || (got == 0 && wanted > 0)) break;
    if (bytes.size == room) {
      room = std::min(most_bytes, std::max(2 * room, room + (1 << 16)));
      auto larger = std::make_unique_for_overwrite<char[]>(room + 1);
      std::memcpy(larger.get(), bytes.copy.get(), bytes.size);
      bytes.copy = std::move(larger);
    }
  }
  bytes.copy[bytes.size] = '\0';
  bytes.data = bytes.copy.get();
}

// RTF begins with "{\rtf", a JSON dictionary with "{" and then a string or
// its end, each after blanks and line breaks, and after a UTF-8 byte-order
// mark (`utf8_mark`).
DictionaryFormat format_of(std::string_view head, bool& utf8_mark) {
  auto skip_blanks = [&head] {
    while (!head.empty() &&
           (head.front() == ' ' || head.front() == '\t' || is_line_break(head.front())))
      head.remove_prefix(1);
  };
  utf8_mark = head.starts_with("\xEF\xBB\xBF");
  if (utf8_mark) head.remove_prefix(3);
  skip_blanks();
  if (head.starts_with("{\\rtf")) return DictionaryFormat::rtf;
  if (!head.starts_with('{')) return DictionaryFormat::none;
  head.remove_prefix(1);
  skip_blanks();
  return head.starts_with('"') || head.starts_with('}') ? DictionaryFormat::json
                                                        : DictionaryFormat::none;
}

constexpr std::size_t head_bytes = 512;

// The view of the file from where it stands, once its head shows a
// dictionary. A
// regular file is mapped: its pages are the system's file cache, neither
// cleared nor copied, which the load would otherwise spend as long on as on
// the entries (a file cut short meanwhile is caught, see Read). False when
// it does not map, or (with `format` none) when it is not a dictionary; the
// file is left where it stood.
bool map_dictionary(CFile& file, FileBytes& bytes, bool& utf8_mark, DictionaryFormat& format) {
  // A class of the caller's may give other bytes than the descriptor's.
  if (typeid(file) != typeid(CFile) || !file.IsOpen()) return false;
  const ULONGLONG start = file.GetPosition();
  const ULONGLONG length = file.GetLength();
  if (start >= length) return false;
  // Made first, since it tells a regular file, which can go back after its
  // head is read.
  const HANDLE mapping =
      CreateFileMappingA(file.m_hFile, nullptr, PAGE_READONLY, static_cast<DWORD>(length >> 32),
                         static_cast<DWORD>(length), nullptr);
  if (mapping == nullptr) return false;
  char head[head_bytes];
  const std::string_view read(head, file.Read(head, sizeof head));
  file.Seek(static_cast<LONGLONG>(start), CFile::begin);
  format = format_of(read, utf8_mark);
  const bool refused = format == DictionaryFormat::none;
  const ULONGLONG first = start - start % KELM_ALLOCATION_GRANULARITY;
  const auto size = static_cast<std::size_t>(std::min<ULONGLONG>(length - start, most_bytes));
  LPVOID view =
      refused ? nullptr
              : MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(first >> 32),
                              static_cast<DWORD>(first), static_cast<SIZE_T>(start - first + size));
  CloseHandle(mapping);
  if (view == nullptr) return false;
  bytes.mapped.reset(view);
  bytes.data = static_cast<const char*>(view) + (start - first);
  bytes.size = size;
  return true;
}

}  // namespace

DictionaryFormat take_dictionary(CFile& file, FileBytes& bytes, bool& utf8_mark) {
  DictionaryFormat format = DictionaryFormat::rtf;
  if (map_dictionary(file, bytes, utf8_mark, format)) return format;
  if (format == DictionaryFormat::none) return format;
  const ULONGLONG start = file.GetPosition();
  read_rest(file, bytes);
  format = format_of(bytes.view().substr(0, head_bytes), utf8_mark);
  if (format != DictionaryFormat::none) return format;
  try {
    file.Seek(static_cast<LONGLONG>(start), CFile::begin);
  } catch (const CFileException&) {
    // A pipe: what was read is gone with the refusal.
  }
  return format;
}

}  // namespace dictionary_read
