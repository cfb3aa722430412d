// The RTF parser's client that reads an RTF/CRE dictionary into a
// CStenoDictionary: entries from one "{\*\cxs" group to the next, their
// text read into Windows-1252 with the flags their markers give, and what
// they hold besides kept as RTF for the round trip. Internal to the
// dictionary.
//
// The reader works on the file's bytes in memory (`bytes`, followed by a
// NUL), which the parser's scanner reads too: stream offsets index them.
// What the parser does not hand a client (the tokens its table does not
// list, and optional destinations it does not list, which it skips), the
// reader takes from the scanner's queue itself: after each call it reads the
// tokens ahead of the current one, up to the next that the parser will act
// on, and consumes them; and it takes the "\*" out of every "{\*", so that
// the parser skips no group and the reader sees every byte of an entry.
//
// Entries of the common form "{\*\cxs OUTLINE}text", nearly all of a
// dictionary, are cut from the bytes without the scanner (plain_entries.h)
// and read by the same steps as every other entry: BeginEntry, the outline
// by the notation's reader (CSteno::ReadRtfKeys; an outline in key order as
// its end is found, by CSteno::ReadRtfKeysInKeyOrder), the markers by
// CreMarkers.
//
// The structure (groups, destinations, entries) is read in
// dictionary_reader.cpp; text, escapes, code pages and the RTF kept with an
// entry in dictionary_reader_text.cpp.
#pragma once

#include "dictionary/cre_markers.h"
#include "dictionary/plain_entries.h"
#include "dictionary/rtf_text_decoder.h"
#include "dictionary/steno_dictionary.h"
#include "rtf/rtf_parser_client.h"
#include "rtf/rtf_scanner.h"
#include "textrules/string_rules.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dictionary_read {

enum Action { action_char = 1, action_destination = 2, action_property = 3, action_special = 4 };

// A skipped group holds no translation text; inside an entry it is kept
// whole, as an extra of the entry.
enum Destination { dest_text, dest_outline, dest_punctuation, dest_skip };
enum Special { special_attach, special_capitalize, special_paragraph };
enum Property { property_flags };

// The reader's table for the parser, sorted by token type.
const std::vector<RTFTransTblEntry>& translation_table();

constexpr int types = CRtfToken::typeGroupEnd + 1;

struct TypeTable {
  std::array<bool, types> acted{};        // the parser calls the client for it
  std::array<bool, types> destination{};  // a destination of the reader's table
  int optional_destination = 0;           // "\*"
};

const TypeTable& type_table();

constexpr long default_fallback = 1;
constexpr std::string_view paragraph_mark = CStringRules::szParagraphMark;

inline std::string_view trim_spaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

class DictionaryReader final : public CRtfParserClient {
 public:
  DictionaryReader(CStenoDictionary& dictionary,
                   std::vector<CStenoDictionary::InvalidOutline>& invalid, std::string_view bytes,
                   bool utf8_mark, bool take_plain_entries)
      : m_dictionary(dictionary),
        m_invalid(invalid),
        m_bytes(bytes),
        m_bTakePlainEntries(take_plain_entries) {
    if (utf8_mark) SetUtf8(true);
  }

  // The parser's scanner, whose queue the reader reads ahead in.
  void SetScanner(CRtfScanner* scanner) { m_pScanner = scanner; }
  // Stores the last entry, which ends where the parse stopped (`end`).
  void Finish(DWORD end) { CommitEntry(end); }
  // A failure of the reader's own reads of the scanner, which the parser
  // does not see when it comes in ChangeDestination.
  long GetError() const { return m_lError; }
  std::size_t GetUnrepresentableCount() const { return m_decoder.count(); }
  // Stream offsets of the invalid outlines found, in the order they were
  // added to the invalid entries.
  const std::vector<DWORD>& GetInvalidOffsets() const { return m_invalidOffsets; }

  long PushState() override;
  long PopState() override;

  long ChangeDestination(int nIndex) override;
  long EndDestination(int nIndex) override;

  long OutputText(const char* szText, bool) override;

  // Text the file spells from `begin` to `end`.
  void TakeText(std::string_view text, DWORD begin, DWORD end);
  long OutputChar(int nIndex) override;

  long ApplySpecialControl(int nIndex) override;
  long ApplyPropChange(int nIndex, long lValue) override;

  const RTFTransTblEntry* GetTransTbl() override { return translation_table().data(); }
  int GetTransTblEntries() override { return static_cast<int>(translation_table().size()); }

 private:
  enum class EntryState { none, outline, translation, invalid };

  // How raw bytes and escapes are read.
  struct Encoding {
    UINT code_page;
    bool known;
    bool raw_utf8;
    bool escapes_utf8;
  };

  // What a group changes: its destination, \ucN, and where it began.
  struct Group {
    Destination destination = dest_text;
    long fallback = default_fallback;
    DWORD begin = 0;        // the stream offset of its "{"
    bool fresh = false;     // nothing read in it yet
    bool optional = false;  // its "\*" has been read
    bool kept = false;      // kept whole as an extra; the groups inside it are not
    bool holds_extras = false;
    // Its first extra is an outline word or "\*" that something read and
    // not kept came before in the file.
    bool extra_not_first = false;
    unsigned entry = 0;  // the entry whose translation it was opened in, or 0
    std::size_t text_at_begin = 0;
    std::size_t extras_at_begin = 0;
    // How text was read before a code page word read while the group was
    // fresh, and the code page it set.
    std::optional<Encoding> encoding_before;
    UINT code_page = 0;
  };

  // A piece of RTF kept with the current entry, in m_pieceBytes.
  struct Piece {
    std::size_t position;
    std::size_t offset;
    std::size_t length;
    DWORD end;  // the stream offset after it, when it came from the file; 0 if not
  };

  int TypeAt(int place) {
    const int type = m_pScanner->GetToken(place)->GetType();
    return type >= 0 && type < types ? type : CRtfToken::typeEndOfInput;
  }

  // Reads the tokens the parser would pass over, up to the next one it acts
  // on; see type_table.
  long Settle();

  // Takes the entries of the common form from the group at stream offset
  // `at` on straight from the bytes, leaving the reader as the parser's calls
  // would have left it, and has the scanner read on after them. False, with
  // nothing taken, when that group does not begin such an entry.
  bool TakePlainEntries(DWORD at);

  // A token the parser would pass over, which ends at `end`.
  void Take(CRtfToken& token, DWORD end);

  // An outline word or "\*" about to be kept in a group that something read
  // there and not kept came before. Should it be the group's first extra,
  // it would be written first after the group's brace, where it starts a
  // destination: the brace is then written with an empty group after it
  // (see PopState). Other words written first are harmless, and the writer
  // guards them.
  void NoteKeptAfterRead(Group& group);

  void SetCodePage(UINT code_page);

  // A group kept whole, or an outline's, is written back with the code page
  // word it began with, which would then reach text already read in that
  // code page: the word read before the group was known to be one is taken
  // back, and the code page it set returned.
  std::optional<UINT> TakeBackCodePage(Group& group);

  void SetUtf8(bool utf8);

  bool InEntry() const {
    return m_entry == EntryState::outline || m_entry == EntryState::translation;
  }

  bool InTranslation() const {
    const Destination d = m_states.back().destination;
    return m_entry == EntryState::translation && (d == dest_text || d == dest_punctuation);
  }

  void AddText(std::string_view bytes, DWORD begin, DWORD end);

  // Which bytes of the text the file spells from `begin` to `end` came from
  // \'hh escapes: the scanner gives them resolved, like raw bytes.
  std::string_view EscapedBytes(std::string_view text, DWORD begin, DWORD end);

  // Text stops here: an escape's fallback or a UTF-8 sequence ends.
  void Break();

  void TakeUnrepresentable() {
    if (!m_decoder.found().empty()) KeepUnrepresentable();
  }

  void KeepUnrepresentable();

  // Keeps the file's bytes from `begin` to `end` with the current entry.
  void KeepBytes(DWORD begin, DWORD end);

  void AddPiece(std::string_view rtf, std::size_t position);

  void AddPiece(std::string_view rtf) { AddPiece(rtf, m_text.size()); }

  // The file's bytes between two stream offsets, appended to `out`.
  void ReadBytes(DWORD begin, DWORD end, std::string& out);

  // An entry begins with its outline group, which opened at `group_begin`
  // and left `depth` groups open outside it, and whose "\cxs" stands at
  // `outline_offset`; the code page is one its group set before the word.
  // The common entries and all others alike.
  void BeginEntry(DWORD group_begin, std::size_t depth, DWORD outline_offset,
                  std::optional<UINT> code_page);
  void EndOutline();

  void BeginTranslation();

  // Punctuation carries the spacing of its source in blanks around the mark;
  // spacing is the text rules' business here, from the flags a mark that is
  // the whole translation implies.
  void EndPunctuation();

  void CommitEntry(DWORD end);

  CStenoDictionary& m_dictionary;
  std::vector<CStenoDictionary::InvalidOutline>& m_invalid;
  // The file's bytes from where the parse began, which stream offsets count
  // from.
  std::string_view m_bytes;
  bool m_bTakePlainEntries;
  CRtfScanner* m_pScanner = nullptr;
  const TypeTable& m_types = type_table();
  long m_lError = 0;
  // The stream offset of the last "{" whose "\*" was taken out.
  DWORD m_optionalGroup = ~DWORD{0};
  // The open groups, the outermost first.
  std::vector<Group> m_states{Group{}};
  std::vector<DWORD> m_invalidOffsets;

  rtf_text::decoder m_decoder;
  bool m_bEncodingKnown = false;
  bool m_bRawUtf8 = false;
  // Declared UTF-8: its escapes are UTF-8 bytes too.
  bool m_bEscapesUtf8 = false;
  std::string m_raw;
  std::string m_escaped;

  EntryState m_entry = EntryState::none;
  unsigned m_entries = 0;  // entries begun, so that each has its own number
  DWORD m_entryBegin = 0;
  std::size_t m_entryDepth = 0;
  std::string m_outline;
  std::optional<UINT> m_outlineCodePage;
  DWORD m_dwOutlineOffset = 0;
  std::string m_keys;
  std::string m_text;
  // Where the keys and text of entries taken straight from the bytes are
  // read.
  PlainKeys m_plainKeys{};
  std::string m_plainText;
  std::size_t m_punctuationStart = 0;
  // The text's length after a punctuation group that began it; npos when
  // none did.
  std::size_t m_punctuationEnd = std::string::npos;
  CreMarkers m_markers;
  std::optional<WORD> m_explicitFlags;
  std::vector<Piece> m_pieces;
  std::string m_pieceBytes;
  std::vector<CStenoDictionary::Extra> m_extras;
};

}  // namespace dictionary_read
