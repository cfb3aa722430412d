// The SSCE_* calls: the session table, options, lexicon ids, word checks and
// the merging of suggestions from every lexicon of a session.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/path.h"
#include "platform/spelling/compressed_lexicon.h"
#include "platform/spelling/lexicon_file.h"
#include "platform/spelling/ssce.h"
#include "platform/spelling/suggester.h"
#include "platform/spelling/text_lexicon.h"
#include "platform/spelling/word_index.h"

namespace {

using spelling::compressed_lexicon;
using spelling::max_word_length;
using spelling::text_lexicon;

constexpr int max_sessions = 64;
constexpr int max_lexicons = 32;
// Ids carry a generation above the slot number, so that an id kept after its
// session or lexicon was closed does not reach the next one in that slot.
constexpr int session_slot_bits = 6;
constexpr int lexicon_slot_bits = 5;

constexpr SSCE_U32 all_options[] = {
    SSCE_IGNORE_CAPPED_WORD_OPT,  SSCE_IGNORE_MIXED_CASE_OPT,   SSCE_IGNORE_ALL_CAPS_WORD_OPT,
    SSCE_IGNORE_MIXED_DIGITS_OPT, SSCE_REPORT_DOUBLED_WORD_OPT, SSCE_CASE_SENSITIVE_OPT,
    SSCE_SPLIT_WORDS_OPT,         SSCE_SUGGEST_PHONETIC_OPT,    SSCE_SUGGEST_TYPOGRAPHICAL_OPT};
constexpr SSCE_U32 default_options = SSCE_CASE_SENSITIVE_OPT | SSCE_IGNORE_MIXED_DIGITS_OPT |
                                     SSCE_REPORT_DOUBLED_WORD_OPT | SSCE_SPLIT_WORDS_OPT |
                                     SSCE_SUGGEST_TYPOGRAPHICAL_OPT;

// Suggestions drawn from the words of a session's own text lexicons rank as
// fairly common words: the user put them there.
constexpr std::uint8_t text_lexicon_word_level = 20;
constexpr int best_score = 32767;

struct lexicon_slot {
  SSCE_S16 id = -1;
  std::unique_ptr<text_lexicon> text;
  std::shared_ptr<const compressed_lexicon> compressed;
};

struct session {
  SSCE_S16 id = -1;
  SSCE_U32 options = default_options;
  std::array<lexicon_slot, max_lexicons> lexicons;
  std::vector<const lexicon_slot*> open_order;  // the open lexicons, first opened first
  std::uint16_t lexicon_generation = 0;
  char previous[max_word_length + 1] = {};
  std::size_t previous_length = 0;
  // Suggestions over the words of the text lexicons, rebuilt when they change.
  std::uint64_t text_changes = 0;
  std::uint64_t suggester_built_at = ~0ULL;
  std::vector<std::string> suggester_words;
  std::unique_ptr<spelling::suggester> text_suggester;

  bool option(SSCE_U32 o) const { return (options & o) != 0; }
};

struct session_table {
  std::mutex mutex;  // opening and closing only; checks read the slots
  std::array<std::atomic<session*>, max_sessions> slots{};
  std::array<std::uint16_t, max_sessions> generations{};
};

session_table& sessions() {
  static session_table table;
  return table;
}

std::atomic<SSCE_S16> auto_correct{1};
std::atomic<SSCE_S16> min_suggest_depth{50};

session* find_session(SSCE_S16 id) {
  if (id < 0) return nullptr;
  session* s = sessions().slots[id & (max_sessions - 1)].load(std::memory_order_acquire);
  return s != nullptr && s->id == id ? s : nullptr;
}

lexicon_slot* find_lexicon(session& s, SSCE_S16 id) {
  if (id < 0) return nullptr;
  lexicon_slot& slot = s.lexicons[id & (max_lexicons - 1)];
  return slot.id == id ? &slot : nullptr;
}

bool is_known_option(SSCE_U32 option) {
  return std::find(std::begin(all_options), std::end(all_options), option) != std::end(all_options);
}

bool has_extension(std::string_view path, std::string_view extension) {
  return path.size() >= extension.size() &&
         spelling::equal_folded(path.substr(path.size() - extension.size()), extension);
}

// The letters of a word, counted in one pass.
struct word_shape {
  int upper = 0;
  int lower = 0;
  int upper_after_first = 0;
  bool first_upper = false;
  bool digit = false;
  std::uint64_t folded_hash = spelling::fnv_offset;

  bool all_caps() const { return upper > 0 && lower == 0; }
  bool capitalised() const { return first_upper && upper_after_first == 0; }
  // A capital after the first letter beside small letters: "iPhone",
  // "McDonald", "IBMs".
  bool mixed_case() const { return upper_after_first > 0 && lower > 0; }
};

word_shape shape_of(std::string_view word) {
  word_shape shape;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    shape.folded_hash = spelling::fold_into_hash(shape.folded_hash, c);
    if (spelling::is_upper(c)) {
      ++shape.upper;
      if (i == 0)
        shape.first_upper = true;
      else
        ++shape.upper_after_first;
    } else if (spelling::is_lower(c)) {
      ++shape.lower;
    } else if (c >= '0' && c <= '9') {
      shape.digit = true;
    }
  }
  shape.folded_hash = spelling::finish_hash(shape.folded_hash);
  return shape;
}

// Whether the checked word is an accepted form of the lexicon's spelling of
// the same letters: the spelling itself, its first letter capitalised, or all
// capitals. So "apple" takes "Apple" and "APPLE", "Paris" takes "PARIS" but
// not "paris". Without case sensitivity any case will do.
bool accepts(std::string_view entry, std::string_view word, bool case_sensitive) {
  if (!case_sensitive) return true;
  bool exact = true;
  bool capitalised = true;
  bool capitals = true;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char e = entry[i];
    const char w = word[i];
    const char upper = spelling::to_upper(e);
    exact = exact && w == e;
    capitalised = capitalised && w == (i == 0 ? upper : e);
    capitals = capitals && w == upper;
  }
  return exact || capitalised || capitals;
}

// Gives a word the case pattern of the checked one: all capitals, or a
// capital first letter. "A" and "C" change entries and suggestions take it.
void adapt_case(char* text, std::size_t length, const word_shape& pattern) {
  if (length == 0) return;
  if (pattern.all_caps()) {
    for (std::size_t i = 0; i < length; ++i) text[i] = spelling::to_upper(text[i]);
  } else if (pattern.first_upper) {
    text[0] = spelling::to_upper(text[0]);
  }
}

struct verdict {
  SSCE_S16 bits = 0;
  char replacement[max_word_length + 1] = {};
  std::size_t replacement_length = 0;

  void replace_with(std::string_view text) {
    replacement_length = std::min(text.size(), max_word_length);
    std::copy_n(text.begin(), replacement_length, replacement);
  }
};

// Looks the word up in every lexicon of the session. A change entry wins,
// then an exclusion, then any acceptance; a word known only in another case
// is reported as such.
verdict look_up(const session& s, std::string_view word, const word_shape& shape) {
  verdict v;
  const bool case_sensitive = s.option(SSCE_CASE_SENSITIVE_OPT);
  const std::uint64_t hash = shape.folded_hash;
  const spelling::lexicon_entry* change = nullptr;
  bool excluded = false;
  bool accepted = false;
  std::string_view other_case;
  for (const lexicon_slot* l : s.open_order) {
    const lexicon_slot& slot = *l;
    if (slot.compressed) {
      if (accepted) continue;
      slot.compressed->find_folded(word, hash, [&](std::string_view w) {
        if (accepts(w, word, case_sensitive)) return accepted = true;
        if (other_case.empty()) other_case = w;
        return false;
      });
    } else if (slot.text) {
      slot.text->find_folded(word, hash, [&](const spelling::lexicon_entry& e) {
        if (!accepts(e.word, word, case_sensitive)) {
          if (e.action == 'i' && other_case.empty()) other_case = e.word;
        } else if (e.action == 'i') {
          accepted = true;
        } else if (e.action == 'e') {
          excluded = true;
        } else if (change == nullptr) {
          change = &e;
        }
        return false;
      });
    }
  }
  if (change != nullptr) {
    const bool automatic = change->action == 'a' || change->action == 'A';
    v.bits = SSCE_MISSPELLED_WORD_RSLT | (automatic && auto_correct.load(std::memory_order_relaxed)
                                              ? SSCE_AUTO_CHANGE_WORD_RSLT
                                              : SSCE_CONDITIONAL_CHANGE_WORD_RSLT);
    v.replace_with(change->other);
    if (change->action == 'A' || change->action == 'C')
      adapt_case(v.replacement, v.replacement_length, shape);
  } else if (excluded || !accepted) {
    v.bits = SSCE_MISSPELLED_WORD_RSLT;
    if (!excluded && !other_case.empty()) {
      v.bits |= SSCE_UNCAPPED_WORD_RSLT;
      v.replace_with(other_case);
    }
  }
  return v;
}

// The word's check without the doubled-word finding, which belongs to the
// sequence of checks and not to the word.
verdict check(const session& s, std::string_view word) {
  if (word.empty()) return {};
  const word_shape shape = shape_of(word);
  if ((shape.digit && s.option(SSCE_IGNORE_MIXED_DIGITS_OPT)) ||
      (shape.all_caps() && s.option(SSCE_IGNORE_ALL_CAPS_WORD_OPT)) ||
      (shape.capitalised() && s.option(SSCE_IGNORE_CAPPED_WORD_OPT)) ||
      (shape.mixed_case() && s.option(SSCE_IGNORE_MIXED_CASE_OPT)))
    return {};
  verdict v;
  if (word.size() > max_word_length) {
    v.bits = SSCE_MISSPELLED_WORD_RSLT;
    return v;
  }
  v = look_up(s, word, shape);
  // Possessives: "Darcy's" and "sisters'" are right when "Darcy" and
  // "sisters" are, whether or not the lexicon lists the possessive itself.
  if (v.bits != SSCE_MISSPELLED_WORD_RSLT &&
      v.bits != (SSCE_MISSPELLED_WORD_RSLT | SSCE_UNCAPPED_WORD_RSLT))
    return v;
  std::size_t suffix = 0;
  const std::size_t n = word.size();
  const auto apostrophe = [](char c) { return c == '\'' || c == '\x92'; };
  if (n > 2 && apostrophe(word[n - 2]) && (word[n - 1] == 's' || word[n - 1] == 'S'))
    suffix = 2;
  else if (n > 2 && apostrophe(word[n - 1]) && (word[n - 2] == 's' || word[n - 2] == 'S'))
    suffix = 1;
  if (suffix == 0) return v;
  const std::string_view stem = word.substr(0, n - suffix);
  const verdict of_stem = look_up(s, stem, shape_of(stem));
  if (of_stem.bits == 0) return of_stem;
  if (of_stem.bits == (SSCE_MISSPELLED_WORD_RSLT | SSCE_UNCAPPED_WORD_RSLT) &&
      of_stem.replacement_length + suffix <= max_word_length) {
    v = of_stem;
    std::memcpy(v.replacement + v.replacement_length, word.data() + stem.size(), suffix);
    v.replacement_length += suffix;
  }
  return v;
}

void copy_out(std::string_view text, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = '\0';
}

void note_text_change(session& s) { ++s.text_changes; }

const spelling::suggester* text_suggester(session& s) {
  if (s.suggester_built_at != s.text_changes) {
    s.text_suggester.reset();
    s.suggester_words.clear();
    for (const lexicon_slot& slot : s.lexicons) {
      if (!slot.text) continue;
      for (const spelling::lexicon_entry& e : slot.text->entries()) {
        if (e.action == 'i')
          s.suggester_words.emplace_back(e.word);
        else if (e.action != 'e')
          s.suggester_words.emplace_back(e.other);
      }
    }
    std::sort(s.suggester_words.begin(), s.suggester_words.end());
    s.suggester_words.erase(std::unique(s.suggester_words.begin(), s.suggester_words.end()),
                            s.suggester_words.end());
    if (!s.suggester_words.empty()) {
      std::vector<spelling::dictionary_word> words;
      for (const std::string& w : s.suggester_words)
        words.push_back(spelling::dictionary_word{w, text_lexicon_word_level});
      s.text_suggester = std::make_unique<spelling::suggester>(std::move(words));
    }
    s.suggester_built_at = s.text_changes;
  }
  return s.text_suggester.get();
}

SSCE_S16 open_lexicon(SSCE_S16 session_id, const char* path, bool create, SSCE_S16 language) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  if (path == nullptr || *path == '\0') return SSCE_BAD_ARGUMENT_ERR;
  const auto free_slot = std::find_if(s->lexicons.begin(), s->lexicons.end(),
                                      [](const lexicon_slot& l) { return l.id < 0; });
  if (free_slot == s->lexicons.end()) return SSCE_TOO_MANY_LEXICONS_ERR;
  const CString native = KelmNativePath(path);
  if (native.IsEmpty()) return SSCE_FILE_ACCESS_ERR;
  const std::string native_path(static_cast<LPCSTR>(native), native.GetLength());
  lexicon_slot opened;
  int result = 0;
  if (has_extension(path, ".clx")) {
    if (create)
      result = spelling::create_file(
          native_path, compressed_lexicon::encode({}, static_cast<std::uint16_t>(language)));
    if (result == 0) result = compressed_lexicon::open(native_path, opened.compressed);
  } else {
    result = create ? text_lexicon::create(native_path, opened.text)
                    : text_lexicon::open(native_path, opened.text);
    if (result == 0) note_text_change(*s);
  }
  if (result != 0) return static_cast<SSCE_S16>(result);
  const int slot = static_cast<int>(free_slot - s->lexicons.begin());
  s->lexicon_generation = (s->lexicon_generation + 1) % (1 << (15 - lexicon_slot_bits));
  opened.id = static_cast<SSCE_S16>((s->lexicon_generation << lexicon_slot_bits) | slot);
  *free_slot = std::move(opened);
  s->open_order.push_back(&*free_slot);
  return free_slot->id;
}

// The session and text lexicon for a change, or an error in *result.
text_lexicon* writable_lexicon(SSCE_S16 session_id, SSCE_S16 lexicon_id, SSCE_S16* result,
                               session** owner) {
  session* s = find_session(session_id);
  lexicon_slot* l = s != nullptr ? find_lexicon(*s, lexicon_id) : nullptr;
  *result = s == nullptr   ? SSCE_BAD_SESSION_ERR
            : l == nullptr ? SSCE_BAD_LEXICON_ERR
            : !l->text     ? SSCE_READ_ONLY_LEXICON_ERR
                           : 0;
  *owner = s;
  return *result == 0 ? l->text.get() : nullptr;
}

// The lexicon's entries as GetLex lists them, each passed to emit as
// (word, action, other).
template <typename Emit>
void for_each_listed(const lexicon_slot& l, Emit emit) {
  if (l.compressed) {
    for (std::size_t i = 0; i < l.compressed->size(); ++i)
      emit(l.compressed->word(i), 'i', std::string_view());
  } else {
    for (const spelling::lexicon_entry& e : l.text->entries()) emit(e.word, e.action, e.other);
  }
}

// The bytes GetLex needs for the lexicon: "word TAB action [TAB other] NUL".
std::size_t listed_size(const lexicon_slot& l) {
  std::size_t needed = 0;
  for_each_listed(l, [&](std::string_view w, char, std::string_view o) {
    needed += w.size() + 2 + (o.empty() ? 0 : o.size() + 1) + 1;
  });
  return needed;
}

// Whether the lexicon file holds a word, or cannot be read and may hold words
// this engine no longer understands.
bool holds_words(const std::string& native_path, bool compressed) {
  if (compressed) {
    std::shared_ptr<const compressed_lexicon> lexicon;
    return compressed_lexicon::open(native_path, lexicon) != 0 || lexicon->size() != 0;
  }
  std::unique_ptr<text_lexicon> lexicon;
  return text_lexicon::open(native_path, lexicon) != 0 || !lexicon->entries().empty();
}

}  // namespace

SSCE_S16 SSCE_OpenSession() {
  session_table& table = sessions();
  const std::lock_guard lock(table.mutex);
  for (int slot = 0; slot < max_sessions; ++slot) {
    if (table.slots[slot].load(std::memory_order_relaxed) != nullptr) continue;
    auto s = std::make_unique<session>();
    table.generations[slot] = (table.generations[slot] + 1) % (1 << (15 - session_slot_bits));
    s->id = static_cast<SSCE_S16>((table.generations[slot] << session_slot_bits) | slot);
    const SSCE_S16 id = s->id;
    table.slots[slot].store(s.release(), std::memory_order_release);
    return id;
  }
  return SSCE_TOO_MANY_SESSIONS_ERR;
}

SSCE_S16 SSCE_CloseSession(SSCE_S16 session_id) {
  session_table& table = sessions();
  std::unique_ptr<session> closing;
  {
    const std::lock_guard lock(table.mutex);
    session* s = find_session(session_id);
    if (s == nullptr) return SSCE_BAD_SESSION_ERR;
    table.slots[session_id & (max_sessions - 1)].store(nullptr, std::memory_order_release);
    closing.reset(s);
  }
  return 0;
}

SSCE_S32 SSCE_SetOption(SSCE_S16 session_id, SSCE_U32 option, SSCE_U32 value) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  if (!is_known_option(option)) return SSCE_BAD_ARGUMENT_ERR;
  const SSCE_S32 previous = s->option(option) ? 1 : 0;
  s->options = value != 0 ? s->options | option : s->options & ~option;
  return previous;
}

SSCE_S32 SSCE_GetOption(SSCE_S16 session_id, SSCE_U32 option) {
  const session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  if (!is_known_option(option)) return SSCE_BAD_ARGUMENT_ERR;
  return s->option(option) ? 1 : 0;
}

SSCE_S16 SSCE_SetAutoCorrect(SSCE_S16 value) { return auto_correct.exchange(value != 0 ? 1 : 0); }
SSCE_S16 SSCE_GetAutoCorrect() { return auto_correct.load(); }

SSCE_S16 SSCE_SetMinSuggestDepth(SSCE_S16 depth) {
  return min_suggest_depth.exchange(std::clamp<SSCE_S16>(depth, 0, 100));
}
SSCE_S16 SSCE_GetMinSuggestDepth() { return min_suggest_depth.load(); }

SSCE_S16 SSCE_OpenLex(SSCE_S16 session_id, const char* path, SSCE_S32) {
  return open_lexicon(session_id, path, false, SSCE_AMER_ENGLISH_LANG);
}

SSCE_S16 SSCE_CreateLex(SSCE_S16 session_id, const char* path, SSCE_S16 language) {
  return open_lexicon(session_id, path, true, language);
}

SSCE_S16 SSCE_CloseLex(SSCE_S16 session_id, SSCE_S16 lexicon_id) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  lexicon_slot* l = find_lexicon(*s, lexicon_id);
  if (l == nullptr) return SSCE_BAD_LEXICON_ERR;
  if (l->text) note_text_change(*s);
  std::erase(s->open_order, l);
  *l = lexicon_slot();
  return 0;
}

SSCE_S16 SSCE_ClearLex(SSCE_S16 session_id, SSCE_S16 lexicon_id) {
  SSCE_S16 result = 0;
  session* s = nullptr;
  text_lexicon* l = writable_lexicon(session_id, lexicon_id, &result, &s);
  if (l == nullptr) return result;
  note_text_change(*s);
  return static_cast<SSCE_S16>(l->clear());
}

SSCE_S16 SSCE_AddToLex(SSCE_S16 session_id, SSCE_S16 lexicon_id, const char* word, SSCE_S16 action,
                       const char* otherWord) {
  SSCE_S16 result = 0;
  session* s = nullptr;
  text_lexicon* l = writable_lexicon(session_id, lexicon_id, &result, &s);
  if (l == nullptr) return result;
  if (word == nullptr) return SSCE_BAD_ARGUMENT_ERR;
  if (action < 0 || action > 0x7F) return SSCE_UNKNOWN_ACTION_ERR;
  note_text_change(*s);
  return static_cast<SSCE_S16>(
      l->add(word, static_cast<char>(action), otherWord != nullptr ? otherWord : ""));
}

SSCE_S16 SSCE_DelFromLex(SSCE_S16 session_id, SSCE_S16 lexicon_id, const char* word) {
  SSCE_S16 result = 0;
  session* s = nullptr;
  text_lexicon* l = writable_lexicon(session_id, lexicon_id, &result, &s);
  if (l == nullptr) return result;
  if (word == nullptr) return SSCE_BAD_ARGUMENT_ERR;
  note_text_change(*s);
  return static_cast<SSCE_S16>(l->remove(word));
}

SSCE_S16 SSCE_FindLexWord(SSCE_S16 session_id, SSCE_S16 lexicon_id, const char* word,
                          char* otherWord, SSCE_S16 otherWordSize) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  const lexicon_slot* l = find_lexicon(*s, lexicon_id);
  if (l == nullptr) return SSCE_BAD_LEXICON_ERR;
  if (word == nullptr || otherWordSize < 0) return SSCE_BAD_ARGUMENT_ERR;
  const std::string_view wanted(word);
  if (otherWord != nullptr) otherWord[0] = '\0';
  if (l->text) {
    const spelling::lexicon_entry* e = l->text->find(wanted);
    if (e == nullptr) return SSCE_WORD_NOT_FOUND_ERR;
    copy_out(e->other, otherWord, static_cast<std::size_t>(otherWordSize) + 1);
    return e->action;
  }
  bool found = false;
  l->compressed->find_folded(wanted, spelling::folded_hash(wanted),
                             [&](std::string_view w) { return found = w == wanted; });
  return found ? SSCE_IGNORE_ACTION : SSCE_WORD_NOT_FOUND_ERR;
}

SSCE_S32 SSCE_GetLex(SSCE_S16 session_id, SSCE_S16 lexicon_id, char* buffer, SSCE_S32 bufferSize) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  const lexicon_slot* l = find_lexicon(*s, lexicon_id);
  if (l == nullptr) return SSCE_BAD_LEXICON_ERR;
  if (buffer == nullptr || bufferSize < 0) return SSCE_BAD_ARGUMENT_ERR;
  if (listed_size(*l) > static_cast<std::size_t>(bufferSize)) return SSCE_BUFFER_TOO_SMALL_ERR;
  char* at = buffer;
  for_each_listed(*l, [&](std::string_view w, char action, std::string_view o) {
    at = std::copy(w.begin(), w.end(), at);
    *at++ = '\t';
    *at++ = action;
    if (!o.empty()) {
      *at++ = '\t';
      at = std::copy(o.begin(), o.end(), at);
    }
    *at++ = '\0';
  });
  return static_cast<SSCE_S32>(at - buffer);
}

SSCE_S16 SSCE_GetLexInfo(SSCE_S16 session_id, SSCE_S16 lexicon_id, SSCE_S32* size, SSCE_S16* format,
                         SSCE_S16* language) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  const lexicon_slot* l = find_lexicon(*s, lexicon_id);
  if (l == nullptr) return SSCE_BAD_LEXICON_ERR;
  if (size != nullptr) *size = static_cast<SSCE_S32>(listed_size(*l));
  if (format != nullptr) *format = l->text ? SSCE_TEXT_LEX_FORMAT : SSCE_COMPRESSED_LEX_FORMAT;
  if (language != nullptr)
    *language =
        l->compressed ? static_cast<SSCE_S16>(l->compressed->language()) : SSCE_AMER_ENGLISH_LANG;
  return 0;
}

SSCE_S16 SSCE_CheckWord(SSCE_S16 session_id, const char* word, char* replacement,
                        std::size_t replacementSize) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  if (word == nullptr || (replacement == nullptr && replacementSize > 0))
    return SSCE_BAD_ARGUMENT_ERR;
  const std::string_view checked(word);
  const verdict v = check(*s, checked);
  copy_out(std::string_view(v.replacement, v.replacement_length), replacement, replacementSize);
  if (checked.empty()) return v.bits;
  SSCE_S16 bits = v.bits;
  if (s->option(SSCE_REPORT_DOUBLED_WORD_OPT) &&
      spelling::equal_folded(checked, std::string_view(s->previous, s->previous_length)))
    bits |= SSCE_DOUBLED_WORD_RSLT;
  s->previous_length = std::min(checked.size(), max_word_length);
  std::memcpy(s->previous, checked.data(), s->previous_length);
  return bits;
}

SSCE_S16 SSCE_Suggest(SSCE_S16 session_id, const char* word, SSCE_S16 depth, char* buffer,
                      SSCE_U16 bufferSize, SSCE_S16* scores, SSCE_S16 scoreCount) {
  session* s = find_session(session_id);
  if (s == nullptr) return SSCE_BAD_SESSION_ERR;
  if (word == nullptr || buffer == nullptr || scores == nullptr || scoreCount <= 0)
    return SSCE_BAD_ARGUMENT_ERR;
  const std::string_view misspelled(word);
  const std::size_t limit = static_cast<std::size_t>(scoreCount);
  spelling::suggest_options options;
  options.depth = std::clamp<int>(depth, 0, 100);
  options.typographical = s->option(SSCE_SUGGEST_TYPOGRAPHICAL_OPT);
  options.phonetic = s->option(SSCE_SUGGEST_PHONETIC_OPT);
  options.split_words = s->option(SSCE_SPLIT_WORDS_OPT);
  const auto acceptable = [s](std::string_view w) { return check(*s, w).bits == 0; };

  std::vector<spelling::candidate> found;
  std::vector<const compressed_lexicon*> asked;
  for (const lexicon_slot& l : s->lexicons) {
    if (!l.compressed || std::find(asked.begin(), asked.end(), l.compressed.get()) != asked.end())
      continue;
    asked.push_back(l.compressed.get());
    auto more = l.compressed->words_suggester().suggest(misspelled, options, limit, acceptable);
    found.insert(found.end(), more.begin(), more.end());
  }
  if (const spelling::suggester* own = text_suggester(*s)) {
    auto more = own->suggest(misspelled, options, limit, acceptable);
    found.insert(found.end(), more.begin(), more.end());
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.score > b.score; });
  const word_shape shape = shape_of(misspelled);
  for (spelling::candidate& c : found) adapt_case(c.word.data(), c.word.size(), shape);
  // The lexicon's own change for the word goes first, in the case it gives.
  const verdict v = check(*s, misspelled);
  if ((v.bits & (SSCE_AUTO_CHANGE_WORD_RSLT | SSCE_CONDITIONAL_CHANGE_WORD_RSLT)) != 0) {
    const int score = found.empty() ? best_score : std::min(best_score, found.front().score + 1);
    found.insert(found.begin(),
                 spelling::candidate{std::string(v.replacement, v.replacement_length), score});
  }

  std::size_t used = 0;
  SSCE_S16 count = 0;
  std::vector<std::string_view> given;
  for (const spelling::candidate& c : found) {
    if (count == scoreCount) break;
    if (c.word.empty() || std::find(given.begin(), given.end(), c.word) != given.end()) continue;
    if (used + c.word.size() + 1 > bufferSize) break;
    std::memcpy(buffer + used, c.word.c_str(), c.word.size() + 1);
    used += c.word.size() + 1;
    scores[count++] = static_cast<SSCE_S16>(std::clamp(c.score, 1, best_score));
    given.push_back(c.word);
  }
  if (count < scoreCount) scores[count] = 0;
  return count;
}

SSCE_S16 KelmWriteCompressedLexicon(const char* path, const KelmLexiconWord* words,
                                    std::size_t count) {
  if (path == nullptr || *path == '\0' || (words == nullptr && count > 0))
    return SSCE_BAD_ARGUMENT_ERR;
  std::vector<std::pair<std::string, std::uint8_t>> list;
  list.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (words[i].word == nullptr) return SSCE_BAD_ARGUMENT_ERR;
    if (!spelling::is_storable_word(words[i].word)) return SSCE_BAD_ARGUMENT_ERR;
    list.emplace_back(words[i].word, words[i].level);
  }
  const CString native = KelmNativePath(path);
  if (native.IsEmpty()) return SSCE_FILE_ACCESS_ERR;
  const std::string native_path(static_cast<LPCSTR>(native), native.GetLength());
  const std::string bytes = compressed_lexicon::encode(std::move(list), SSCE_AMER_ENGLISH_LANG);
  // The index is compiled from the lexicon as read back, so that it is the
  // index a reader of the file would build.
  std::shared_ptr<compressed_lexicon> written;
  if (const int result = compressed_lexicon::decode(bytes, written); result != 0)
    return static_cast<SSCE_S16>(result);
  // The lexicon goes first: should the index then fail, it is stale beside
  // the new lexicon, which the reader notices.
  if (const int result = spelling::replace_file(native_path, bytes); result != 0)
    return static_cast<SSCE_S16>(result);
  return static_cast<SSCE_S16>(spelling::replace_file(
      compressed_lexicon::index_path_of(native_path), written->compile_index()));
}

SSCE_S16 KelmSeedLexicon(const char* path, const char* source) {
  if (path == nullptr || *path == '\0' || source == nullptr || *source == '\0')
    return SSCE_BAD_ARGUMENT_ERR;
  const CString native = KelmNativePath(path), native_source = KelmNativePath(source);
  if (native.IsEmpty() || native_source.IsEmpty()) return SSCE_FILE_ACCESS_ERR;
  const std::string native_path(static_cast<LPCSTR>(native), native.GetLength());
  std::string bytes;
  spelling::file_identity ignored;
  if (const int result = spelling::read_file(
          std::string(static_cast<LPCSTR>(native_source), native_source.GetLength()), bytes,
          ignored);
      result != 0)
    return static_cast<SSCE_S16>(result);
  // A missing lexicon takes the copy under its name in one step, which
  // refuses a file another process made meanwhile; no one meets it empty.
  if (spelling::create_file(native_path, bytes) == 0) return 1;
  spelling::file_lock lock;
  if (const int result = lock.lock(native_path); result != 0) return static_cast<SSCE_S16>(result);
  if (!lock.made() && holds_words(native_path, has_extension(path, ".clx"))) return 0;
  if (const int result = spelling::replace_file(native_path, bytes); result != 0) {
    lock.remove_made(native_path);
    return static_cast<SSCE_S16>(result);
  }
  return 1;
}
