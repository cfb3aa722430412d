// Fonts: Win32's LOGFONT and CreateFont calls and MFC's CFont. A font here is
// its description only; front ends read it (GetObjectA) to draw bold text
// bold. A window keeps the handle it was given with WM_SETFONT and does not
// own it: deleting a font a window still uses leaves that window with the
// dialog's font, never a dangling one.
#pragma once

#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/ui/win_user.h"

inline constexpr int LF_FACESIZE = 32;
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FF_DONTCARE = 0;

struct LOGFONTA {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
using LOGFONT = LOGFONTA;
using LPLOGFONT = LOGFONTA*;
using HGDIOBJ = void*;

KELM_EXPORT HFONT CreateFontIndirectA(const LOGFONTA* lplf);
KELM_EXPORT HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation,
                              int cWeight, DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut,
                              DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                              DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);
// Fills a LOGFONTA from a live font; 0 for anything else.
KELM_EXPORT int GetObjectA(HGDIOBJ h, int c, LPVOID pv);
KELM_EXPORT BOOL DeleteObject(HGDIOBJ ho);

class KELM_EXPORT CGdiObject : public CObject {
 public:
  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  ~CGdiObject() override;

  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }

  HGDIOBJ m_hObject = nullptr;
};

class KELM_EXPORT CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                  BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision,
                  BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename);
  int GetLogFont(LOGFONT* pLogFont);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }  // NOLINT: as MFC
};
