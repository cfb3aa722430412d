// A steno dictionary read from and written to RTF/CRE, the exchange format of
// steno dictionaries: outlines with the translation each one stands for.
//
// Translation texts use the library's own markers, so that they go straight
// to the text rules: "{P}" a paragraph mark, "\n" a line break, "\t" a tab,
// and the CTranFlags word for attachment (\cxds), capitalisation (\cxfc) and
// whatever else the suite's \cxkelmdictflags word carries. Text bytes are
// kept as the file holds them (escapes resolved); nothing is transcoded,
// since \ansi declares Windows-1252, the library's own text, and the scanner
// leaves the code-page and Unicode words (\ansicpgN, \uN) unrecognised.
//
// The dictionary keeps all texts in one arena and all outlines in another, as
// 3-byte strokes, with an open-addressing hash table over the outline bytes;
// a translation handed out stays valid until the next Set.
#pragma once

#include "platform/file.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"
#include "strokes/steno.h"
#include "strokes/stroke.h"
#include "textrules/tran_flags.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CStenoDictionary {
 public:
  struct Translation {
    std::string_view text;
    CTranFlags flags;
  };

  // An outline the notation does not take, found by the last Read.
  struct InvalidOutline {
    unsigned long line;  // 1-based, of the outline's "{\*\cxs" group
    std::string text;    // as the file spells it
  };

  // Reads an RTF/CRE dictionary into this one, from a file or from an open
  // file positioned at its start. Entries run from one "{\*\cxs" group to
  // the next; an outline the notation does not take is left out with its
  // entry and recorded, and the reading goes on. A later entry for an outline
  // replaces the earlier one. 0, or a nonzero code that GetErrorText
  // explains; the path form also gives the file's own errors.
  long Read(LPCSTR path);
  long Read(CFile& file);
  // Why Read or Write returned `code`.
  CString GetErrorText(long code) const;
  // What the last Read found besides the entries.
  std::size_t GetDuplicateCount() const { return m_nDuplicates; }
  const std::vector<InvalidOutline>& GetInvalidOutlines() const { return m_invalid; }

  // Writes the dictionary as RTF/CRE, with the header (the revision group,
  // \cxdict, the generator and `created` as creation time). Reading it back
  // gives the same entries, flags included.
  void Write(CFile& file, CTime created) const;

  // Adds the entry, or replaces the translation of an outline already held
  // (it keeps its place in entry order). True when it replaced one.
  bool Set(std::span<const BYTE> keys, std::string_view text, CTranFlags flags);

  // A bulk load: Append stores entries without indexing them, and
  // IndexAppended then indexes them all in one pass, with the result of one
  // Set per entry in order; it returns how many replaced an earlier entry.
  // Until then Lookup does not see the appended entries (Set indexes them
  // first). Reserve sizes the storage for what a load is expected to add.
  void Reserve(std::size_t entries, std::size_t key_bytes, std::size_t text_bytes);
  void Append(std::span<const BYTE> keys, std::string_view text, CTranFlags flags);
  std::size_t IndexAppended();
  std::optional<Translation> Lookup(const CSteno& outline) const;
  std::optional<Translation> Lookup(std::span<const BYTE> keys) const;

  std::size_t GetCount() const { return m_entries.size(); }
  // Entries in the order their outlines first appeared.
  CSteno GetOutline(std::size_t index) const;
  // The outline's strokes as packed keys, three bytes each.
  std::span<const BYTE> GetKeys(std::size_t index) const { return KeysOf(m_entries[index]); }
  Translation GetTranslation(std::size_t index) const;

 private:
  struct Entry {
    std::uint32_t keys_offset;
    std::uint32_t text_offset;
    std::uint32_t text_length;
    std::uint32_t hash;
    std::uint16_t keys_length;
    WORD flags;
  };

  std::span<const BYTE> KeysOf(const Entry& entry) const;
  // The slot that holds the outline, or the empty slot where it belongs.
  std::size_t FindSlot(std::span<const BYTE> keys, std::uint32_t hash) const;
  void Grow();
  // Indexes entries from `first` on; a later one for an outline already held
  // gives its translation to the held entry and dies; the dead, in order.
  std::vector<std::uint32_t> IndexFrom(std::size_t first);
  // Removes the dead entries, given in ascending order, keeping the order of
  // the others.
  void DropDead(const std::vector<std::uint32_t>& dead);
  void CheckRoom(std::span<const BYTE> keys, std::string_view text) const;

  std::string m_keys;
  std::string m_text;
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
  std::vector<InvalidOutline> m_invalid;
};
