#include "platform/ui/clipboard.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/error.h"
#include "platform/ui/front_end.h"

namespace {

struct Clipboard {
  bool open = false;
  HWND opened_by = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HGLOBAL> formats;
};

Clipboard& clipboard() {
  static Clipboard c;
  return c;
}

bool is_open() {
  if (clipboard().open) return true;
  SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
  return false;
}

// The text of a CF_TEXT block: up to its first NUL, or all of it.
std::string text_of(HGLOBAL block) {
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  const std::string text(bytes, strnlen(bytes, GlobalSize(block)));
  GlobalUnlock(block);
  return text;
}

HGLOBAL block_of(const CString& text) {
  const auto length = static_cast<SIZE_T>(text.GetLength());
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  if (block == nullptr) return nullptr;
  std::memcpy(GlobalLock(block), text.GetString(), length);
  GlobalUnlock(block);
  return block;
}

void put(UINT format, HGLOBAL block) {
  HGLOBAL& held = clipboard().formats[format];
  if (held != nullptr && held != block) GlobalFree(held);
  held = block;
}

// The system's text, when the front end has a system clipboard holding some.
bool system_text(CString& text) {
  KelmFrontEnd* front_end = KelmGetFrontEnd();
  return front_end != nullptr && front_end->GetClipboardText(text);
}

}  // namespace

BOOL OpenClipboard(HWND hWndNewOwner) {
  Clipboard& c = clipboard();
  if (c.open && c.opened_by != hWndNewOwner) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.opened_by = hWndNewOwner;
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!is_open()) return FALSE;
  Clipboard& c = clipboard();
  for (const auto& [format, block] : c.formats) GlobalFree(block);
  c.formats.clear();
  c.owner = c.opened_by;
  return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
  if (!is_open()) return nullptr;
  if (clipboard().owner == nullptr) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (GlobalLock(hMem) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  GlobalUnlock(hMem);
  put(uFormat, hMem);
  if (uFormat == CF_TEXT) {
    if (KelmFrontEnd* front_end = KelmGetFrontEnd())
      front_end->PutClipboardText(text_of(hMem).c_str());
  }
  return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
  if (!is_open()) return nullptr;
  CString text;
  if (uFormat == CF_TEXT && system_text(text)) {
    // A block handed out before stays good while it holds the same text.
    const auto held = clipboard().formats.find(CF_TEXT);
    if (held == clipboard().formats.end() || text_of(held->second) != text.GetString()) {
      if (HGLOBAL block = block_of(text)) put(CF_TEXT, block);
    }
  }
  const auto held = clipboard().formats.find(uFormat);
  if (held == clipboard().formats.end()) {
    SetLastError(ERROR_SUCCESS);
    return nullptr;
  }
  return held->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  CString text;
  if (format == CF_TEXT && system_text(text)) return TRUE;
  return clipboard().formats.count(format) != 0 ? TRUE : FALSE;
}

BOOL CloseClipboard() {
  if (!is_open()) return FALSE;
  Clipboard& c = clipboard();
  c.open = false;
  c.opened_by = nullptr;
  return TRUE;
}
