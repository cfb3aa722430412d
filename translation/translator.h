// The host's translation engine: strokes in, English out. Each stroke is
// looked up together with the strokes of the translations before it, longest
// outline first (never longer than the longest outline of the dictionaries);
// each translation is joined to the one before with
// CStringRules::ApplyConcatRules, and the transcript is the list of
// translations with the texts as the joins left them. An asterisk-only stroke
// takes the last translation back and gives the one before it its text as it
// stood before the join.
//
// Text that no later stroke can change is final. An asterisk takes back at
// most the last `undo_depth` translations (never fewer than a longest outline
// needs to swallow), and the translation just before those can still be
// changed by a join, so everything before it is final. A realtime host writes
// each translation once it is final and the rest after Finish: what it wrote
// never needs correcting, in a pipe or on a terminal alike.
//
// The dictionaries are not owned; they must outlive the translator and stay
// unchanged. One thread.
#pragma once

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

class CTranslator {
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
    std::string_view text;       // as joined to its neighbours
    CTranFlags flags;
    CTime time;  // of the outline's first stroke
    bool untranslated;
  };

  CTranslator() = default;
  explicit CTranslator(const Options& options);

  // Later dictionaries win over earlier ones, as a job dictionary overrides
  // the main one. Before the first stroke.
  void AddDictionary(const CStenoDictionary* dictionary);

  void AddStroke(const CStroke& stroke);
  // Makes every translation final; no stroke may follow.
  void Finish() { m_bFinished = true; }

  std::size_t GetCount() const { return m_records.size(); }
  // Translations [0, GetFinalCount()) no longer change.
  std::size_t GetFinalCount() const;
  Translation Get(std::size_t index) const;
  // In strokes; at least 1.
  std::size_t GetLongestOutline() const { return m_nLongest; }

 private:
  static CStroke UndoStroke(int grandjean);

  struct Record {
    std::uint32_t first_key;  // offset into m_keys
    CTranFlags flags;
    bool untranslated;
    bool capitalize_after;  // the capitalisation state the next one meets
    CTime time;
    CString text;
    // The previous translation's text before this one was joined to it.
    CString previous_text;
  };

  std::optional<CStenoDictionary::Translation> Lookup(std::size_t first_key) const;
  void Append(std::string_view text, CTranFlags flags, bool untranslated, std::uint32_t first_key,
              CTime time);
  void RemoveLast();
  void Undo();

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
};

// The text as a reader sees it, still Windows-1252: a paragraph mark ("{P}")
// becomes a line break and a seam caret a space.
std::string ReadableText(std::string_view text);

// Writes the translations as an RTF/CRE transcript: the header (revision
// group, generator, `created` as creation time), then each translation's
// time as "{\*\cxt hh:mm:ss:00}", its outline in a "{\*\cxs ...}" group and its
// text. The dictionary reader reads it back as outlines with their texts.
void WriteRtfTranscript(CFile& file, const CTranslator& translator, CTime created);
