// A steno dictionary read from and written to RTF/CRE, the exchange format of
// steno dictionaries, or JSON, the open steno community's: outlines with the
// translation each one stands for.
//
// Translation texts use the library's own markers, so that they go straight
// to the text rules: "{P}" a paragraph mark, "\n" a line break, "\t" a tab,
// and the CTranFlags word for attachment (\cxds), capitalisation (\cxfc) and
// whatever else the suite's \cxkelmdictflags word carries. Texts are
// Windows-1252: a file's bytes are read in the code page it declares
// (\ansicpgN; 1252 when it declares none), or as UTF-8 when it begins with a
// UTF-8 byte-order mark, declares \ansicpg65001, or all its 8-bit bytes form
// UTF-8 and it declares no code page other than 1252 (which writers put in
// their headers by habit, whatever they then write). \uN escapes give
// Unicode characters. A character Windows-1252 cannot hold is counted, its
// entry holds the file's fallback text for it, or "?" when it has none, and
// the character itself is kept as a \uN extra, so that Write gives it back.
//
// What an entry holds besides its outline, text and flags - comment groups,
// other programs' destinations, control words the dictionary does not know -
// is kept with it as extras, RTF as the file spelled it, each at its place in
// the text, and written back there. An entry whose outline the notation does
// not take is kept whole as the file spelled it, reported, written back in
// its place and never looked up.
//
// A JSON dictionary is one object from outlines (strokes in any notation the
// stroke reader takes, joined by "/") to translations in the open steno
// translation language, which reads into the same texts, flags and extras as
// the equivalent RTF/CRE (see open_steno_translation.h); UTF-8, or
// Windows-1252 when the file is not valid UTF-8.
//
// The dictionary keeps all texts in one arena, all outlines in another as
// 3-byte strokes, and the extras of the few entries that have them in a
// third, with an open-addressing hash table over the outline bytes; a
// translation or extra handed out stays valid until the next Set or Read.
#pragma once

#include "platform/export.h"
#include "platform/file.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"
#include "strokes/steno.h"
#include "strokes/stroke.h"
#include "textrules/tran_flags.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dictionary_read {
struct FileBytes;
}

class KELM_EXPORT CStenoDictionary {
 public:
  struct Translation {
    std::string_view text;
    CTranFlags flags;
    // The entry's index, and whether it has extras at all: only then can its
    // text hold stand-ins (GetCharacters).
    std::size_t index = 0;
    bool extras = false;
  };

  // A character Windows-1252 cannot hold, whose stand-in, one character,
  // is the text's byte at `position`.
  struct Character {
    std::size_t position;
    char32_t code_point;
  };

  // RTF kept with an entry: it stood before the text's byte at `position`
  // (the text's length: after the text). Extras given for one place are
  // kept as one, in their order.
  struct Extra {
    std::size_t position;
    std::string_view rtf;
  };

  // An entry whose outline the notation does not take.
  struct InvalidOutline {
    unsigned long line;  // 1-based, of the outline's "{\*\cxs" group
    std::string text;    // the outline as the file spells it
    std::string rtf;     // the whole entry as the file spells it
    std::size_t before;  // the index of the entry it stood before
  };

  enum class Format { rtf, json };

  // Codes of Read and Write beside the scanner's and the parser's (below 100,
  // and 5100): the file is neither RTF nor JSON; a JSON file is not well
  // formed, is not an object, holds a translation that is not a string or
  // one longer than maxJsonTranslation bytes (GetErrorLine and
  // GetErrorColumn say where); a file error is its CFileException cause
  // above errorFile. A JSON entry whose outline the notation does not take
  // is kept as an invalid outline, as RTF ones are.
  static constexpr long errorNotRtf = 200;
  static constexpr long errorJsonSyntax = 201;
  static constexpr long errorJsonNotObject = 202;
  static constexpr long errorJsonNotString = 203;
  static constexpr long errorJsonTooLong = 204;
  static constexpr long errorFile = 1000;
  static constexpr std::size_t maxJsonTranslation = 1 << 20;

  // Reads an RTF/CRE or a JSON dictionary into this one, from a file or from
  // an open file positioned at its start, telling them apart by their first
  // bytes; a file that begins as neither is refused whole. RTF: entries run
  // from one "{\*\cxs" group to the next. A later entry for an outline
  // replaces the earlier one whole, extras included, in the earlier one's
  // place. 0, or a nonzero code that GetErrorText explains; the path form
  // also gives the file's own errors. A regular file is mapped into memory
  // (see file_mapping.h) for the load and no longer; anything else (a pipe, a
  // CMemFile) is read whole first. The file is left standing after the last
  // byte the parse took, a pipe at its end. A file cut short by another
  // process while it is read fails with errorFile +
  // CFileException::sharingViolation and leaves the dictionary as it was; so
  // does a JSON file that fails.
  long Read(LPCSTR path);
  long Read(CFile& file);
  // Why Read or Write returned `code`, with the line and column of a JSON
  // error.
  CString GetErrorText(long code) const;
  // Where the last Read's JSON error is, 1-based (the column in characters);
  // 0 when it has none.
  unsigned long GetErrorLine() const { return m_nErrorLine; }
  unsigned long GetErrorColumn() const { return m_nErrorColumn; }
  // What the last Read found besides the entries: replaced entries, and
  // characters Windows-1252 cannot hold.
  std::size_t GetDuplicateCount() const { return m_nDuplicates; }
  // The styles the stylesheets of the RTF/CRE files read declared, by
  // number, a later file's winning; converting \sN to JSON needs their names.
  const std::map<long, std::string>& GetStyleNames() const { return m_styles; }
  std::size_t GetUnrepresentableCount() const { return m_nUnrepresentable; }
  // The entries with invalid outlines of every Read, in file order.
  const std::vector<InvalidOutline>& GetInvalidOutlines() const { return m_invalid; }

  // Writes the dictionary as RTF/CRE, with the header (the revision group,
  // \cxdict, the generator and `created` as creation time), the entries with
  // their extras, and the invalid entries in their places. Reading it back
  // gives the same entries, flags and extras. The path form writes through a
  // temporary file beside `path`, flushed to the disk and then renamed over
  // it, so that the file is replaced whole, made new, or left as it was: 0,
  // or a code that GetErrorText explains.
  void Write(CFile& file, CTime created) const;
  long Write(LPCSTR path) const;
  // Writes as JSON: one entry a line, sorted by outline as the open tools
  // write them, UTF-8, each translation in the open steno language. What the
  // language has no form for (flag bits beyond attach and capitalise, extras
  // of RTF the JSON reader does not make) is left out; the count of entries
  // that lost something is returned. Entries with invalid outlines that a
  // JSON file gave are written in their places; others are left out and
  // counted.
  std::size_t WriteJson(CFile& file) const;
  // By the format given, or (the one-argument form) by the file name: a name
  // ending in ".json" is written as JSON, any other as RTF/CRE.
  long Write(LPCSTR path, Format format) const;

  // Adds the entry, or replaces an entry held for the outline whole (it
  // keeps its place in entry order). Extras beyond the text's end are put at
  // its end. True when it replaced one.
  bool Set(std::span<const BYTE> keys, std::string_view text, CTranFlags flags,
           std::span<const Extra> extras = {});

  // A bulk load: Append stores entries without indexing them, and
  // IndexAppended then indexes them all in one pass, with the result of one
  // Set per entry in order; it returns how many replaced an earlier entry.
  // Until then Lookup does not see the appended entries (Set indexes them
  // first). Reserve sizes the storage for what a load is expected to add.
  void Reserve(std::size_t entries, std::size_t key_bytes, std::size_t text_bytes);
  void Append(std::span<const BYTE> keys, std::string_view text, CTranFlags flags,
              std::span<const Extra> extras = {});
  std::size_t IndexAppended();
  std::optional<Translation> Lookup(const CSteno& outline) const;
  std::optional<Translation> Lookup(std::span<const BYTE> keys) const;

  std::size_t GetCount() const { return m_entries.size(); }
  // Entries in the order their outlines first appeared.
  CSteno GetOutline(std::size_t index) const;
  // The outline's strokes as packed keys, three bytes each.
  std::span<const BYTE> GetKeys(std::size_t index) const { return KeysOf(m_entries[index]); }
  Translation GetTranslation(std::size_t index) const;
  // In their order in the file, one piece of RTF for each place; none for
  // most entries.
  std::vector<Extra> GetExtras(std::size_t index) const;
  // The characters the text holds stand-ins for, in text order, as the \uN
  // extras just before them give them; none for most entries.
  std::vector<Character> GetCharacters(std::size_t index) const;

 private:
  struct Entry {
    std::uint32_t keys_offset;
    std::uint32_t text_offset;
    std::uint32_t text_length;
    std::uint32_t hash;
    std::uint16_t keys_length;
    WORD flags;
    std::uint32_t extras;  // offset + 1 of the entry's record in m_extras; 0: none
  };

  // Tests compare the two ways of reading.
  friend struct StenoDictionaryReadPaths;
  // Read, with the entries of the common form "{\*\cxs OUTLINE}text" taken
  // straight from the file's bytes, or (false) every entry through the RTF
  // parser: the two give the same dictionary.
  long Read(CFile& file, bool bTakePlainEntries);
  // The JSON reader, on the file's bytes from `skip` on (after a
  // byte-order mark).
  long ReadJson(const dictionary_read::FileBytes& bytes, std::size_t skip);
  // Drops what a failed load added.
  void Truncate(std::size_t entries, std::size_t keys, std::size_t text, std::size_t extras);

  std::span<const BYTE> KeysOf(const Entry& entry) const;
  // The slot that holds the outline, or the empty slot where it belongs.
  std::size_t FindSlot(std::span<const BYTE> keys, std::uint32_t hash) const;
  void Grow();
  // Indexes entries from `first` on; a later one for an outline already held
  // gives its translation to the held entry and dies; the dead, in order.
  std::vector<std::uint32_t> IndexFrom(std::size_t first);
  // Removes the dead entries, given in ascending order, keeping the order of
  // the others (and the places of the invalid entries among them).
  void DropDead(const std::vector<std::uint32_t>& dead);
  void CheckRoom(std::span<const BYTE> keys, std::string_view text,
                 std::span<const Extra> extras) const;
  // The record of the extras in m_extras, as an Entry holds it.
  std::uint32_t StoreExtras(std::string_view text, std::span<const Extra> extras);

  std::string m_keys;
  std::string m_text;
  std::string m_extras;
  std::vector<Entry> m_entries;
  // The hash beside the entry, so that a probe past other outlines stays
  // inside the table.
  struct Slot {
    std::uint32_t hash;
    std::uint32_t entry;  // index + 1; 0 is empty
  };
  std::vector<Slot> m_slots;
  // Entries from here on were appended and are not in the table yet.
  std::size_t m_indexed = 0;
  std::size_t m_nDuplicates = 0;
  std::size_t m_nUnrepresentable = 0;
  unsigned long m_nErrorLine = 0;
  unsigned long m_nErrorColumn = 0;
  std::vector<InvalidOutline> m_invalid;
  std::map<long, std::string> m_styles;
};
