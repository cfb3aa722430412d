// The host's translation engine: strokes in, English out. Each stroke is
// looked up together with the strokes of the translations before it, longest
// outline first (never longer than the longest outline of the dictionaries);
// each translation is joined to the one before with
// CStringRules::ApplyConcatRules, and the transcript is the list of
// translations with the texts as the joins left them. An asterisk-only stroke
// takes the last translation back and gives the one before it its text as it
// stood before the join.
//
// The texts, the translations' and the readable text alike, are still
// Windows-1252, one byte a character, except that a character Windows-1252
// cannot hold (an emoji of a JSON dictionary, a \uN of an RTF one) stands
// as one escape of seven bytes, and so does a control other than tab and
// line break; readable_text.h has the escape's form and what a border needs
// to show or count such text (ToUtf8 before it goes anywhere as UTF-8).
//
// Besides the translations the translator keeps the readable text, what a
// reader is shown: a paragraph mark ("{P}") a line break,
// a seam caret a space, no blanks at the start or end of a line, and after
// Finish a line break ending the last line. Every stroke changes the end of
// that text only, and AddStroke hands the change over at once as an Edit, so
// that a screen or a caption feed shows each stroke as it is written: a
// consumer that applies every edit (AddStroke's and Finish's) in order holds
// exactly GetText(). Blanks at the end stay out of the text until something
// follows them on the same line, since a line break would drop them.
//
// Text that no later stroke can change is final. An asterisk takes back at
// most the last `undo_depth` translations (never fewer than a longest outline
// needs to swallow), and the translation just before those can still be
// changed by a join, so everything before it is final; GetFinalLength says
// how much of the readable text that is. A host that must never correct what
// it wrote (a pipe, a file) writes the text up to there as it grows, and the
// rest after Finish.
//
// The dictionaries are not owned; they must outlive the translator and stay
// unchanged. One thread: the translator, its edits and the views it hands out
// belong to the thread that feeds it (CLiveTranslator shares one between a
// writer's thread and a display's).
#pragma once

#include "platform/export.h"
#include "platform/file.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"
#include "strokes/stroke.h"
#include "textrules/string_rules.h"
#include "textrules/tran_flags.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/steno_dictionary.h"

class KELM_EXPORT CTranslator {
 public:
  struct Options {
    // Conflict texts ("[a|b]") stay whole instead of giving their first
    // alternative.
    bool keep_conflicts = false;
    std::size_t undo_depth = 16;
    // The keyboard, for the undo stroke and the steno of untranslated ones.
    int grandjean = 0;
  };

  struct Translation {
    std::span<const BYTE> keys;  // the outline's strokes, three bytes each
    std::string_view text;       // as joined to its neighbours, with escapes
    CTranFlags flags;
    CTime time;  // of the outline's first stroke
    bool untranslated;
  };

  // One stroke's effect on the readable text: take the last nTakeBack bytes
  // back, then add `text`. The take-back never ends inside an escape, so
  // that both sides of the cut are whole characters; a border that counts
  // in characters or UTF-16 units counts those of the bytes taken back
  // (readable_text.h). A stroke that changes nothing gives {0, ""}.
  struct Edit {
    int nTakeBack = 0;
    CString text;

    // Applies the edit to a copy of the readable text.
    void ApplyTo(CString& shown) const;
  };

  CTranslator() = default;
  explicit CTranslator(const Options& options);

  // Later dictionaries win over earlier ones, as a job dictionary overrides
  // the main one. Before the first stroke.
  void AddDictionary(const CStenoDictionary* dictionary);

  // The edit stays valid until the next AddStroke or Finish. Strokes after
  // Finish are ignored.
  const Edit& AddStroke(const CStroke& stroke);
  // Makes every translation and the whole text final; its edit ends the last
  // line.
  const Edit& Finish();

  std::size_t GetCount() const { return m_records.size(); }
  // Translations [0, GetFinalCount()) no longer change.
  std::size_t GetFinalCount() const;
  Translation Get(std::size_t index) const;
  // In strokes; at least 1.
  std::size_t GetLongestOutline() const { return m_nLongest; }

  // The readable text so far.
  CString GetText() const { return CString(m_shown); }
  // The same without a copy, valid until the next AddStroke or Finish.
  std::string_view GetTextView() const { return m_shown; }
  // How many bytes at the start of the text no later stroke changes, never
  // ending inside an escape.
  std::size_t GetFinalLength() const;

 private:
  static CStroke UndoStroke(int grandjean);

  // Where a translation's readable text starts, and what the text before it
  // leaves pending: whether a line has begun, and blanks not yet shown.
  struct Layout {
    bool line_start = true;
    std::uint32_t blanks = 0;
  };

  struct Record {
    std::uint32_t first_key;  // offset into m_keys
    CTranFlags flags;
    bool untranslated;
    bool capitalize_after;  // the capitalisation state the next one meets
    CTime time;
    CString text;
    // The previous translation's text before this one was joined to it.
    CString previous_text;
    std::size_t shown_start = 0;  // in m_shown
    Layout layout;
  };

  // Lays `text` out at the end of `shown`.
  static void LayOut(std::string_view text, Layout& layout, std::string& shown);

  struct Found {
    const CStenoDictionary* dictionary;
    CStenoDictionary::Translation translation;
  };
  std::optional<Found> Lookup(std::size_t first_key) const;
  void Translate(const CStroke& stroke);
  void Append(std::string_view text, CTranFlags flags, bool untranslated, std::uint32_t first_key,
              CTime time);
  void RemoveLast();
  void Undo();
  // Notes that translation `index` (or a new one at the end) changes, before
  // the text laid out for it or after it does, keeping where it started.
  void Touch(std::size_t index);
  // Lays out the readable text again from the first translation touched and
  // makes m_edit the difference.
  void Relayout();

  std::vector<const CStenoDictionary*> m_dictionaries;
  Options m_options;
  CStringRules m_rules;
  CStroke m_undo = UndoStroke(0);
  std::size_t m_nLongest = 1;
  // The strokes of all translations, in order, three bytes each.
  std::vector<BYTE> m_keys;
  std::vector<Record> m_records;
  // Records from here on may still be taken back or swallowed.
  std::size_t m_nFirstMovable = 0;
  bool m_bFinished = false;

  // The readable text, and what its end leaves pending.
  std::string m_shown;
  Layout m_layout;
  // The first translation the current stroke touched (none: SIZE_MAX), and
  // where its text started.
  std::size_t m_nTouched = SIZE_MAX;
  std::size_t m_nTouchedStart = 0;
  Layout m_touchedLayout;
  Edit m_edit;
};

// Writes the translations as an RTF/CRE transcript: the header (revision
// group, generator, `created` as creation time), then each translation's
// time as "{\*\cxt hh:mm:ss:00}", its outline in a "{\*\cxs ...}" group and its
// text. The dictionary reader reads it back as outlines with their texts.
KELM_EXPORT void WriteRtfTranscript(CFile& file, const CTranslator& translator, CTime created);
