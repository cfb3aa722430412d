#include "settings/translator_settings.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

constexpr int slot_count = std::extent_v<decltype(CTranslatorSettings::names)>;

// Streams written before this version hold the count and the option in four
// bytes each.
constexpr int one_byte_fields_version = 77;

// A string's count is not trusted: its bytes are read in chunks that grow
// only as bytes arrive, so a damaged count costs at most about twice what the
// stream really holds. Seeking to measure the stream would serve only the
// streams that can seek.
constexpr size_t first_chunk = 4096;

void append_dword(std::string& bytes, DWORD number) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(number >> shift);
}

void append_string(std::string& bytes, const CString& text) {
  append_dword(bytes, static_cast<DWORD>(text.GetLength()));
  bytes += text.View();
}

// The current layout, whole, so that a record refused here leaves nothing on
// the stream.
bool encode_record(const CTranslatorSettings& record, std::string& bytes) {
  if (record.nameCount > slot_count) return false;
  bytes += static_cast<char>(record.nameCount);
  for (int i = record.nameCount - 1; i >= 0; --i) {
    append_string(bytes, record.names[i]);
    append_dword(bytes, record.values[i]);
  }
  append_dword(bytes, static_cast<DWORD>(record.extraPresent));
  if (record.extraPresent != 0) {
    append_string(bytes, record.extraName);
    append_dword(bytes, record.extraValue);
  }
  bytes += static_cast<char>(record.option);
  append_string(bytes, record.finalName);
  return bytes.size() <= std::numeric_limits<ULONG>::max();
}

bool write_record(IStream* stream, const CTranslatorSettings& record) {
  std::string bytes;
  if (!encode_record(record, bytes)) return false;
  ULONG written = 0;
  const ULONG size = static_cast<ULONG>(bytes.size());
  return SUCCEEDED(stream->Write(bytes.data(), size, &written)) && written == size;
}

bool read_bytes(IStream* stream, void* into, ULONG count) {
  ULONG got = 0;
  return SUCCEEDED(stream->Read(into, count, &got)) && got == count;
}

bool read_dword(IStream* stream, DWORD& number) {
  BYTE bytes[4];
  if (!read_bytes(stream, bytes, sizeof bytes)) return false;
  number = DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
  return true;
}

// The count and the option: one byte, or before version 77 four bytes of
// which the low one is the field.
bool read_small_field(IStream* stream, int version, BYTE& field) {
  if (version >= one_byte_fields_version) return read_bytes(stream, &field, 1);
  DWORD wide = 0;
  if (!read_dword(stream, wide)) return false;
  field = static_cast<BYTE>(wide);
  return true;
}

// The text ends at its first zero byte, as the record has always been read;
// the bytes after it are still consumed.
bool read_string(IStream* stream, CString& text) {
  DWORD count = 0;
  if (!read_dword(stream, count) || count > INT_MAX) return false;
  std::string bytes;
  while (bytes.size() < count) {
    const size_t at = bytes.size();
    const size_t chunk = std::min<size_t>(count - at, std::max(first_chunk, at));
    bytes.resize(at + chunk);
    if (!read_bytes(stream, bytes.data() + at, static_cast<ULONG>(chunk))) return false;
  }
  text = CString(std::string_view(bytes).substr(0, bytes.find('\0')));
  return true;
}

bool read_record(IStream* stream, int version, CTranslatorSettings& record) {
  if (!read_small_field(stream, version, record.nameCount) || record.nameCount > slot_count)
    return false;
  for (int i = record.nameCount - 1; i >= 0; --i)
    if (!read_string(stream, record.names[i]) || !read_dword(stream, record.values[i]))
      return false;
  DWORD present = 0;
  if (!read_dword(stream, present)) return false;
  record.extraPresent = static_cast<BOOL>(present);
  if (record.extraPresent != 0 &&
      (!read_string(stream, record.extraName) || !read_dword(stream, record.extraValue)))
    return false;
  return read_small_field(stream, version, record.option) && read_string(stream, record.finalName);
}

void store_record(CArchive& ar, const CTranslatorSettings& record) {
  if (record.nameCount > slot_count) AfxThrowArchiveException(CArchiveException::badIndex);
  ar << record.nameCount;
  for (int i = record.nameCount - 1; i >= 0; --i) ar << record.names[i] << record.values[i];
  ar << record.extraPresent;
  if (record.extraPresent != 0) ar << record.extraName << record.extraValue;
  ar << record.option << record.finalName;
}

void load_record(CArchive& ar, CTranslatorSettings& record) {
  ar >> record.nameCount;
  if (record.nameCount > slot_count) AfxThrowArchiveException(CArchiveException::badIndex);
  for (int i = record.nameCount - 1; i >= 0; --i) ar >> record.names[i] >> record.values[i];
  ar >> record.extraPresent;
  if (record.extraPresent != 0) ar >> record.extraName >> record.extraValue;
  ar >> record.option >> record.finalName;
}

}  // namespace

bool CTranslatorSettings::Serialize(IStream* stream, int version, int storing) {
  if (stream == nullptr) return false;
  if (storing != 0) return write_record(stream, *this);
  // Read into a copy, so that a record refused half-way changes nothing.
  CTranslatorSettings record(*this);
  if (!read_record(stream, version, record)) return false;
  *this = record;
  return true;
}

void CTranslatorSettings::Serialize(CArchive& ar, int) {
  if (ar.IsStoring()) {
    store_record(ar, *this);
    return;
  }
  CTranslatorSettings record(*this);
  load_record(ar, record);
  *this = record;
}
