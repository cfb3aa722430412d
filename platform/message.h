// Message boxes and the string table.
//
// The library asks the user through AfxMessageBox/MessageBoxA; what the user
// sees and answers is decided by a handler that the host installs, else by
// the active user-interface front end (KelmSetFrontEnd: a terminal, or a
// scripted user in tests). Without either, the text goes to standard error
// and the answer is IDOK, or IDNO for a question.
//
// String resources are registered by the host (KelmRegisterString) and read
// by ID with LoadStringA or CString::LoadString.
#pragma once

#include <functional>
#include <vector>

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

// Box types (uType) and answers, with Win32's values.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_ICONMASK = 0x000000F0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

// Shows a message box through the installed handler; returns the answer.
KELM_EXPORT int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
KELM_EXPORT int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text of string resource nIDPrompt; an unknown ID shows an empty text.
KELM_EXPORT int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK,
                              UINT nIDHelp = static_cast<UINT>(-1));

// Decides what a message box shows and answers. Receives text, caption and
// type; returns one of the ID answers.
using KelmMessageBoxHandler = std::function<int(LPCSTR text, LPCSTR caption, UINT type)>;
// Installs a handler (an empty one restores the default); returns the previous.
KELM_EXPORT KelmMessageBoxHandler KelmSetMessageBoxHandler(KelmMessageBoxHandler handler);

// What a front end that draws message boxes shows for a box of type uType:
// its buttons left to right, each with the answer it gives and its label,
// "&" before the mnemonic letter as Windows labels them.
struct KelmMessageBoxButton {
  int answer;
  const char* label;
};
KELM_EXPORT std::vector<KelmMessageBoxButton> KelmMessageBoxButtons(UINT uType);

// Copies string resource uID into lpBuffer (at most cchBufferMax - 1 bytes and
// a terminator); returns the bytes copied, 0 when there is no such string.
KELM_EXPORT int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
// Registers (or replaces) string resource nID.
KELM_EXPORT void KelmRegisterString(UINT nID, LPCTSTR lpszText);
