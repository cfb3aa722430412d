#include "platform/message.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "platform/front_end_box.h"

namespace {

// With nobody to ask, the answer is the one that goes no further: OK where
// there is nothing to choose, otherwise No, Cancel or Abort. Retry is never
// given, since an unattended retry could repeat a failure for ever.
int default_answer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return IDNO;
    case MB_RETRYCANCEL:
      return IDCANCEL;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

int show_on_stderr(LPCSTR text, LPCSTR caption, UINT type) {
  if (*caption != '\0')
    std::fprintf(stderr, "%s: %s\n", caption, text);
  else
    std::fprintf(stderr, "%s\n", text);
  return default_answer(type);
}

std::atomic<front_end_box::show_function> front_end_show{nullptr};

KelmMessageBoxHandler& installed_handler() {
  static KelmMessageBoxHandler handler;
  return handler;
}

// A function-local table, so that strings registered by static constructors
// of other files find it built.
std::map<UINT, CString>& string_table() {
  static std::map<UINT, CString> table;
  return table;
}

const CString* find_string(UINT nID) {
  const auto& table = string_table();
  const auto it = table.find(nID);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace

std::vector<KelmMessageBoxButton> KelmMessageBoxButtons(UINT uType) {
  switch (uType & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  const LPCSTR text = lpText == nullptr ? "" : lpText;
  const LPCSTR caption = lpCaption == nullptr ? "" : lpCaption;
  const KelmMessageBoxHandler& handler = installed_handler();
  if (handler) return handler(text, caption, uType);
  int answer = IDOK;
  const front_end_box::show_function show = front_end_show.load();
  if (show != nullptr && show(text, caption, uType, answer)) return answer;
  return show_on_stderr(text, caption, uType);
}

void front_end_box::install(show_function show) { front_end_show.store(show); }

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
  return MessageBoxA(nullptr, lpszText, nullptr, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CString text;
  text.LoadString(nIDPrompt);
  return AfxMessageBox(text, nType, nIDHelp);
}

KelmMessageBoxHandler KelmSetMessageBoxHandler(KelmMessageBoxHandler handler) {
  return std::exchange(installed_handler(), std::move(handler));
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
  const CString* text = find_string(uID);
  if (text == nullptr) {
    *lpBuffer = '\0';
    return 0;
  }
  const int count = std::min(text->GetLength(), cchBufferMax - 1);
  std::memcpy(lpBuffer, text->GetString(), static_cast<size_t>(count));
  lpBuffer[count] = '\0';
  return count;
}

void KelmRegisterString(UINT nID, LPCTSTR lpszText) { string_table()[nID] = lpszText; }

BOOL CString::LoadString(UINT nID) {
  const CString* text = find_string(nID);
  if (text == nullptr) return FALSE;
  *this = *text;
  return TRUE;
}
