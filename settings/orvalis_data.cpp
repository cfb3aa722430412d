#include "settings/orvalis_data.h"

#include <string_view>

CString COrvalisData::m_strEMail = "mailto:support@kelmlib.org";
CString COrvalisData::m_strWebsite = "https://www.kelmlib.org/";

namespace {

constexpr LPCSTR product_key = "Software\\Quendra\\Orvalis";
constexpr LPCSTR editor_options_key = "Software\\Quendra\\Revisor\\GeneralOptions";
constexpr LPCSTR usage_profile_name = "UsageProfile";

// What a string read asks for first; longer values are read again at the
// size the registry reports rather than cut or dropped.
constexpr DWORD first_read_size = 260;

constexpr DWORD dword_size = 4;

// REG_DWORD is little-endian whatever the host, as on Windows.
DWORD dword_from_bytes(const BYTE (&bytes)[dword_size]) {
  return DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
}

void write_dword(HKEY key, LPCSTR name, DWORD number) {
  const BYTE bytes[dword_size] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                                  static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
  RegSetValueExA(key, name, 0, REG_DWORD, bytes, dword_size);
}

// A value shorter than four bytes reads as its bytes with zeros above them.
bool read_dword(HKEY key, LPCSTR name, DWORD& type, DWORD& cbData, DWORD& number) {
  BYTE bytes[dword_size] = {};
  cbData = dword_size;
  if (RegQueryValueExA(key, name, nullptr, &type, bytes, &cbData) != ERROR_SUCCESS) return false;
  number = dword_from_bytes(bytes);
  return true;
}

HKEY create_editor_options_key() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, editor_options_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace

COrvalisData::COrvalisData(DWORD desired) : COrvalisData(desired, TRUE) {}

COrvalisData::COrvalisData(DWORD desired, BOOL create) : access(desired) {
  open = RegOpenKeyExA(HKEY_CURRENT_USER, product_key, 0, access, &key) == ERROR_SUCCESS;
  if (!open && create)
    open = RegCreateKeyExA(HKEY_CURRENT_USER, product_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           access, nullptr, &key, nullptr) == ERROR_SUCCESS;
}

COrvalisData::COrvalisData(const COrvalisData& other)
    : cbData(other.cbData),
      buffer(other.buffer),
      type(other.type),
      value(other.value),
      access(other.access) {
  OpenHandleOf(other);
}

COrvalisData& COrvalisData::operator=(const COrvalisData& other) {
  if (this == &other) return *this;
  Close();
  cbData = other.cbData;
  buffer = other.buffer;
  type = other.type;
  value = other.value;
  access = other.access;
  OpenHandleOf(other);
  return *this;
}

COrvalisData::~COrvalisData() { Close(); }

// A handle of our own on the same key, so that each object closes only what
// it opened.
void COrvalisData::OpenHandleOf(const COrvalisData& other) {
  key = nullptr;
  open = other.open && RegOpenKeyExA(other.key, nullptr, 0, access, &key) == ERROR_SUCCESS;
}

void COrvalisData::Close() {
  if (open) RegCloseKey(key);
  open = FALSE;
  key = nullptr;
}

CString COrvalisData::GetDictionaryDir() {
  if (!QueryString("DictionaryDir")) value = "C:\\Program Files\\Orvalis\\Dictionaries";
  return value;
}

CString COrvalisData::GetProgramDir() {
  if (!QueryString("ProgramDir")) value = "C:\\Program Files\\Orvalis";
  return value;
}

CString COrvalisData::GetTranscriptDir() {
  if (!QueryString("TranscriptDir")) value = "C:\\Program Files\\Orvalis\\Transcripts";
  return value;
}

CString COrvalisData::GetUserDir() {
  if (!QueryString("UserDir")) value = GetProgramDir();
  return value;
}

CString COrvalisData::GetKeyboardFile() {
  if (!QueryString("KeyboardFile")) value = GetUserDir() + "\\Keyboard.kbd";
  return value;
}

void COrvalisData::SetDictionaryDir(CString dir) { WriteString("DictionaryDir", dir); }
void COrvalisData::SetProgramDir(CString dir) { WriteString("ProgramDir", dir); }
void COrvalisData::SetTranscriptDir(CString dir) { WriteString("TranscriptDir", dir); }
void COrvalisData::SetUserDir(CString dir) { WriteString("UserDir", dir); }
void COrvalisData::SetKeyboardFile(CString file) { WriteString("KeyboardFile", file); }

DWORD COrvalisData::GetSpellCheckDictEntry() { return ReadDword("SpellCheckDictEntry", 0); }
DWORD COrvalisData::GetGrandJean() { return ReadDword("GrandJean", 0); }
DWORD COrvalisData::GetBuild() { return ReadDword("Build", 0); }
DWORD COrvalisData::GetPatch() { return ReadDword("Patch", 0xFFFFFFFF); }
DWORD COrvalisData::GetDebugMode() { return ReadDword("Debug Mode", 0); }

void COrvalisData::SetSpellCheckDictEntry(int entry) {
  WriteDword("SpellCheckDictEntry", static_cast<DWORD>(entry));
}
void COrvalisData::SetGrandJean(int grandJean) {
  WriteDword("GrandJean", static_cast<DWORD>(grandJean));
}
void COrvalisData::SetBuild(DWORD build) { WriteDword("Build", build); }
void COrvalisData::SetPatch(DWORD patch) { WriteDword("Patch", patch); }
void COrvalisData::SetDebugMode(DWORD mode) { WriteDword("Debug Mode", mode); }

// Values are stored without a terminator, so the text is the bytes the
// registry reports, cut at a zero should one be stored among them.
BOOL COrvalisData::QueryString(LPCSTR name) {
  if (!open) return FALSE;
  cbData = first_read_size;
  LONG result = ERROR_MORE_DATA;
  while (result == ERROR_MORE_DATA) {
    LPSTR text = buffer.GetBuffer(static_cast<int>(cbData));
    result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &cbData);
    if (result == ERROR_SUCCESS) {
      const std::string_view stored(text, cbData);
      value = CString(stored.substr(0, stored.find('\0')));
    }
  }
  buffer.ReleaseBuffer();
  return result == ERROR_SUCCESS;
}

void COrvalisData::WriteString(LPCSTR name, const CString& text) {
  cbData = static_cast<DWORD>(text.GetLength());
  if (open)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()), cbData);
}

DWORD COrvalisData::ReadDword(LPCSTR name, DWORD deflt) {
  DWORD number = 0;
  if (open && read_dword(key, name, type, cbData, number)) return number;
  return deflt;
}

void COrvalisData::WriteDword(LPCSTR name, DWORD number) {
  cbData = dword_size;
  if (open) write_dword(key, name, number);
}

BOOL COrvalisData::UsageProfileExists() {
  HKEY options = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, editor_options_key, 0, KEY_ALL_ACCESS, &options) !=
      ERROR_SUCCESS)
    return FALSE;
  DWORD size = 0;
  const BOOL exists = RegQueryValueExA(options, usage_profile_name, nullptr, nullptr, nullptr,
                                       &size) == ERROR_SUCCESS;
  RegCloseKey(options);
  return exists;
}

void COrvalisData::SetUsageProfile(DWORD profile) {
  const HKEY options = create_editor_options_key();
  if (options == nullptr) return;
  write_dword(options, usage_profile_name, profile);
  RegCloseKey(options);
}

DWORD COrvalisData::GetUsageProfile(DWORD deflt) {
  DWORD profile = deflt;
  const HKEY options = create_editor_options_key();
  if (options == nullptr) return profile;
  DWORD type = REG_NONE;
  DWORD size = 0;
  DWORD stored = 0;
  if (read_dword(options, usage_profile_name, type, size, stored)) profile = stored;
  RegCloseKey(options);
  return profile;
}
