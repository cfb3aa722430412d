#include "platform/ui/font.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

struct HFONT__ {
  LOGFONTA description;
};

namespace {

std::set<HFONT>& live_fonts() {
  static std::set<HFONT> fonts;
  return fonts;
}

HFONT live_font(HGDIOBJ object) {
  const auto font = static_cast<HFONT>(object);
  return live_fonts().count(font) != 0 ? font : nullptr;
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
  if (lplf == nullptr) return nullptr;
  auto* font = new HFONT__{*lplf};
  font->description.lfFaceName[LF_FACESIZE - 1] = '\0';
  live_fonts().insert(font);
  return font;
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                  DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                  DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                  LPCSTR pszFaceName) {
  LOGFONTA lf;
  lf.lfHeight = cHeight;
  lf.lfWidth = cWidth;
  lf.lfEscapement = cEscapement;
  lf.lfOrientation = cOrientation;
  lf.lfWeight = cWeight;
  lf.lfItalic = static_cast<BYTE>(bItalic);
  lf.lfUnderline = static_cast<BYTE>(bUnderline);
  lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut);
  lf.lfCharSet = static_cast<BYTE>(iCharSet);
  lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
  lf.lfQuality = static_cast<BYTE>(iQuality);
  lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
  if (pszFaceName != nullptr) std::strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
  HFONT font = live_font(h);
  if (font == nullptr) return 0;
  if (pv == nullptr) return static_cast<int>(sizeof(LOGFONTA));
  const int count = std::min(c, static_cast<int>(sizeof(LOGFONTA)));
  if (count <= 0) return 0;
  std::memcpy(pv, &font->description, static_cast<size_t>(count));
  return count;
}

BOOL DeleteObject(HGDIOBJ ho) {
  HFONT font = live_font(ho);
  if (font == nullptr) return FALSE;
  live_fonts().erase(font);
  delete font;
  return TRUE;
}

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  const BOOL deleted = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return deleted;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
  if (m_hObject != nullptr) return FALSE;
  m_hObject = CreateFontIndirectA(lpLogFont);
  return m_hObject != nullptr;
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                       BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                       BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily,
                       LPCTSTR lpszFacename) {
  if (m_hObject != nullptr) return FALSE;
  m_hObject = CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                          cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
                          nPitchAndFamily, lpszFacename);
  return m_hObject != nullptr;
}

int CFont::GetLogFont(LOGFONT* pLogFont) {
  return GetObjectA(m_hObject, sizeof(LOGFONT), pLogFont);
}
