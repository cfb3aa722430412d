// CStringRules: joins the texts of consecutive translations into running
// English. Given the text already written and the next translation, each with
// its CTranFlags, it decides the space between them (sixteen space tables
// indexed by the flags' spacing classes), removes glue, and completes seams
// without a space with the suffix rules (English spelling changes) or the
// add-string rules (doubled letters and punctuation at the seam). It also
// carries conflict texts ("[a|b]", alternative translations in one text) and
// the number and date formats.
//
// Each object reads its space tables once, when it is constructed, from the
// section "Translator" of the host application's profile (AfxGetApp()); with
// no application object the defaults apply. Three switches are class-wide,
// shared by every object; their setters write through to the profile.
//
// Texts are 8-bit; letters, digits and case are ASCII only. Editing
// operations take a text by reference and change it in place.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "textrules/tran_flags.h"

class KELM_EXPORT CStringRules {
 public:
  // The paragraph mark that translation texts carry, as the editor's
  // paragraph commands name it.
  static constexpr char szParagraphMark[] = "{P}";

  CStringRules();
  CStringRules(const CStringRules& other) = default;
  CStringRules& operator=(const CStringRules& other) = default;
  virtual ~CStringRules() = default;

  // Class-wide switches ("UseRule1", "Space in front", "Use Er to Or Rule").
  static int GetUseRule1();
  static void SetUseRule1(int on);
  static int GetSpaceInFront();
  static void SetSpaceInFront(int on);
  static int GetUseErToOrRule();
  static void SetUseErToOrRule(int on);

  // Character classes and string tests.
  static int IsWhitespace(char c);
  static int IsPunctuation(char c);
  static int IsWordDelimeter(char c);
  static int IsAllUpper(CString text);
  static int FirstWordChar(const CString& text);
  static int LastWordChar(const CString& text);

  // Spacing and joining.
  int IsSpaceNeeded(CTranFlags first, CTranFlags second) const;
  void ApplyConcatRules(CTranFlags firstFlags, CString& first, CTranFlags secondFlags,
                        CString& second) const;
  CString Concat(CTranFlags firstFlags, CString first, CTranFlags secondFlags,
                 CString second) const;
  CString TheoryConcat(CTranFlags flags, CString first, CString second) const;
  static void CapFirst(CString& text, int upper);
  static void TrimRight(CString& text);

  // Suffix rules (string_rules_suffix.cpp). When the spelling checker has a
  // session and does not know the word they join, the first other spelling
  // of the seam that it knows is taken ("wolf" + "s" gives "wolves" unless
  // the lexicons know "wolfs"); what the switches changed stays.
  void ApplySuffixRules(CTranFlags firstFlags, CString& word, CTranFlags secondFlags,
                        CString& suffix) const;
  CString AddSuffix(CTranFlags firstFlags, CString word, CTranFlags secondFlags,
                    CString suffix) const;

  // Abbreviations and conflict texts (string_rules_add.cpp).
  static int LastIsAbbreviation(CString text);
  static CString MakeConflictString(CString a1, CString a2, CString a3, CString a4, CString a5);
  static CString GetTextFromConflict(CString conflict, int n);
  static CString AddStringToConflict(CString conflict, CString text);
  static int EndsWithAAn(CString text);

  // Number and date formats (string_rules_format.cpp): 1 when formatted, 0
  // when the length does not fit (the text is still stripped).
  static int FormatTime(CString& text);
  static int FormatDollars(CString& text);
  static int FormatCents(CString& text);
  static int FormatPhoneNumber(CString& text);
  static int FormatSSNumber(CString& text);
  static int FormatBatesNumber(CString& text);
  static int FormatOrdinal(CString& text);
  static int FormatDate(CString& text, int dash);

 protected:
  static int IsIn(char c, const CString& set);
  static int IsVowel(char c);
  static int IsVowelOrY(char c);
  static int IsConsonant(char c);
  static int IsSpace(char c);
  static int IsTerminalPunctuation(char c);
  static int BeginsWith(CString text, CString start);
  static int EndsWith(CString text, CString end);

  static int NoSpace(const CString& first, const CString& second);
  static void InsertSpace(CString& first, CString& second);
  static int TermPunctNeedsSpace(const CString& first, const CString& second);
  static void ApplyAddStringRules(CString& first, CString& second);

  static int SuffixIs(CString text, CString suffix);
  static int SyllableCount(CString word);
  static void ReplaceEnding(CString& text, int n, CString ending);

  static int m_bUseRule1;
  static int m_bErToOr;
  static int m_bSpaceInFront;

 private:
  CString m_strSpaceTable[16];
};
