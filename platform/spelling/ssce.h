// The spelling engine: sessions, lexicons, word checks and suggestions for
// American English, behind the SSCE_* call set that the spell checker and the
// lexicon editor are written against.
//
// A session holds its options and the lexicons opened in it. Lexicons are
// files: text lexicons (".tlx", one entry a line: word, tab, action
// character, and for the change actions a tab and the other word; Windows-1252;
// every change written back atomically) and compressed lexicons (".clx", a
// read-only compiled word list; words of the same file are loaded once per
// process and shared by every session that opens it). Ids and results are
// signed 16-bit; a negative result is an error (the SSCE_*_ERR values).
//
// Threads: the engine's tables are safe to use from several threads, but one
// session belongs to one thread at a time. Sessions in several threads and
// processes may change the same text lexicon: each change is made under the
// file's lock on what the file holds at that moment, so none is lost. A
// session sees another's changes when it next changes the lexicon or opens
// it again.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <cstdint>

using SSCE_S16 = std::int16_t;
using SSCE_U16 = std::uint16_t;
using SSCE_S32 = std::int32_t;
using SSCE_U32 = std::uint32_t;

// Errors. A lexicon file that does not exist gives exactly -4.
inline constexpr SSCE_S16 SSCE_TOO_MANY_SESSIONS_ERR = -1;
inline constexpr SSCE_S16 SSCE_BAD_SESSION_ERR = -2;
inline constexpr SSCE_S16 SSCE_BAD_ARGUMENT_ERR = -3;
inline constexpr SSCE_S16 SSCE_FILE_NOT_FOUND_ERR = -4;
inline constexpr SSCE_S16 SSCE_TOO_MANY_LEXICONS_ERR = -5;
inline constexpr SSCE_S16 SSCE_BAD_LEXICON_ERR = -6;
inline constexpr SSCE_S16 SSCE_DAMAGED_LEXICON_ERR = -7;
inline constexpr SSCE_S16 SSCE_READ_ONLY_LEXICON_ERR = -8;
inline constexpr SSCE_S16 SSCE_FILE_ACCESS_ERR = -9;
inline constexpr SSCE_S16 SSCE_WORD_NOT_FOUND_ERR = -10;
inline constexpr SSCE_S16 SSCE_BUFFER_TOO_SMALL_ERR = -11;
inline constexpr SSCE_S16 SSCE_UNKNOWN_ACTION_ERR = -12;

// Session options (SSCE_SetOption / SSCE_GetOption); any non-zero value is on.
inline constexpr SSCE_U32 SSCE_IGNORE_CAPPED_WORD_OPT = 0x0001;
inline constexpr SSCE_U32 SSCE_IGNORE_MIXED_CASE_OPT = 0x0002;
inline constexpr SSCE_U32 SSCE_IGNORE_ALL_CAPS_WORD_OPT = 0x0008;
inline constexpr SSCE_U32 SSCE_IGNORE_MIXED_DIGITS_OPT = 0x0040;
inline constexpr SSCE_U32 SSCE_REPORT_DOUBLED_WORD_OPT = 0x0100;
inline constexpr SSCE_U32 SSCE_CASE_SENSITIVE_OPT = 0x0200;
inline constexpr SSCE_U32 SSCE_SPLIT_WORDS_OPT = 0x2000;
inline constexpr SSCE_U32 SSCE_SUGGEST_PHONETIC_OPT = 0x4000;
inline constexpr SSCE_U32 SSCE_SUGGEST_TYPOGRAPHICAL_OPT = 0x8000;

// Word-check result bits. 0 is a correctly spelled word.
inline constexpr SSCE_S16 SSCE_MISSPELLED_WORD_RSLT = 0x0001;
// The lexicon holds an automatic change for the word; the replacement is in
// the buffer. Set with the misspelled bit.
inline constexpr SSCE_S16 SSCE_AUTO_CHANGE_WORD_RSLT = 0x0002;
// The lexicon holds a change to offer the user; the replacement is in the
// buffer. Set with the misspelled bit.
inline constexpr SSCE_S16 SSCE_CONDITIONAL_CHANGE_WORD_RSLT = 0x0004;
// Known only in another case ("ibm" for "IBM" while case-sensitive); the
// lexicon's spelling is in the buffer. Set with the misspelled bit.
inline constexpr SSCE_S16 SSCE_UNCAPPED_WORD_RSLT = 0x0008;
// The same word as the one checked just before it in this session, while
// doubled words are reported. Not a misspelling: the lowest bit stays clear.
inline constexpr SSCE_S16 SSCE_DOUBLED_WORD_RSLT = 0x0010;

// Lexicon actions (SSCE_AddToLex, SSCE_FindLexWord).
inline constexpr SSCE_S16 SSCE_AUTO_CHANGE_ACTION = 'a';
inline constexpr SSCE_S16 SSCE_AUTO_CHANGE_PRESERVE_CASE_ACTION = 'A';
inline constexpr SSCE_S16 SSCE_CONDITIONAL_CHANGE_ACTION = 'c';
inline constexpr SSCE_S16 SSCE_CONDITIONAL_CHANGE_PRESERVE_CASE_ACTION = 'C';
inline constexpr SSCE_S16 SSCE_IGNORE_ACTION = 'i';
inline constexpr SSCE_S16 SSCE_EXCLUDE_ACTION = 'e';

// Lexicon formats (SSCE_GetLexInfo).
inline constexpr SSCE_S16 SSCE_TEXT_LEX_FORMAT = 1;
inline constexpr SSCE_S16 SSCE_COMPRESSED_LEX_FORMAT = 2;

// Language codes: the letters of the language, high byte first.
inline constexpr SSCE_S16 SSCE_AMER_ENGLISH_LANG = 0x616D;

// Sessions. Options start as the spell checker's defaults.
KELM_EXPORT SSCE_S16 SSCE_OpenSession();
KELM_EXPORT SSCE_S16 SSCE_CloseSession(SSCE_S16 session);
// Returns the option's previous value.
KELM_EXPORT SSCE_S32 SSCE_SetOption(SSCE_S16 session, SSCE_U32 option, SSCE_U32 value);
KELM_EXPORT SSCE_S32 SSCE_GetOption(SSCE_S16 session, SSCE_U32 option);

// Engine-wide settings, shared by every session of the process. Each setter
// returns the previous value. The depth (0 to 100) widens the suggestion
// search; values outside are clamped.
KELM_EXPORT SSCE_S16 SSCE_SetAutoCorrect(SSCE_S16 value);
KELM_EXPORT SSCE_S16 SSCE_GetAutoCorrect();
KELM_EXPORT SSCE_S16 SSCE_SetMinSuggestDepth(SSCE_S16 depth);
KELM_EXPORT SSCE_S16 SSCE_GetMinSuggestDepth();

// Lexicons. Paths are the suite's (Windows form, mapped by KelmNativePath).
// The kind follows the file name's extension (".clx" compressed, anything else
// text). memoryBudget is not used.
KELM_EXPORT SSCE_S16 SSCE_OpenLex(SSCE_S16 session, const char* path, SSCE_S32 memoryBudget);
KELM_EXPORT SSCE_S16 SSCE_CreateLex(SSCE_S16 session, const char* path, SSCE_S16 language);
KELM_EXPORT SSCE_S16 SSCE_ClearLex(SSCE_S16 session, SSCE_S16 lexicon);
KELM_EXPORT SSCE_S16 SSCE_CloseLex(SSCE_S16 session, SSCE_S16 lexicon);
KELM_EXPORT SSCE_S16 SSCE_AddToLex(SSCE_S16 session, SSCE_S16 lexicon, const char* word,
                                   SSCE_S16 action, const char* otherWord);
KELM_EXPORT SSCE_S16 SSCE_DelFromLex(SSCE_S16 session, SSCE_S16 lexicon, const char* word);
// The entry's action character, with its other word in otherWord (at most
// otherWordSize characters and a zero); SSCE_WORD_NOT_FOUND_ERR when the
// lexicon lacks the word.
KELM_EXPORT SSCE_S16 SSCE_FindLexWord(SSCE_S16 session, SSCE_S16 lexicon, const char* word,
                                      char* otherWord, SSCE_S16 otherWordSize);
// The entries as consecutive zero-terminated strings ("word\ta" or
// "word\tc\tother"); returns the bytes written, or SSCE_BUFFER_TOO_SMALL_ERR.
KELM_EXPORT SSCE_S32 SSCE_GetLex(SSCE_S16 session, SSCE_S16 lexicon, char* buffer,
                                 SSCE_S32 bufferSize);
// size: the bytes SSCE_GetLex needs; format: SSCE_*_LEX_FORMAT; language.
KELM_EXPORT SSCE_S16 SSCE_GetLexInfo(SSCE_S16 session, SSCE_S16 lexicon, SSCE_S32* size,
                                     SSCE_S16* format, SSCE_S16* language);

// Checks one word against every lexicon of the session: a set of the
// SSCE_*_RSLT bits, with the replacement (if any) in the buffer, at most
// replacementSize - 1 characters and a zero.
KELM_EXPORT SSCE_S16 SSCE_CheckWord(SSCE_S16 session, const char* word, char* replacement,
                                    std::size_t replacementSize);

// Suggestions for a word, best first: consecutive zero-terminated strings in
// buffer (bufferSize bytes), a positive score for each in scores, and a score
// of 0 in the slot after the last one when fewer than scoreCount were found.
// Returns the number of suggestions or an error.
KELM_EXPORT SSCE_S16 SSCE_Suggest(SSCE_S16 session, const char* word, SSCE_S16 depth, char* buffer,
                                  SSCE_U16 bufferSize, SSCE_S16* scores, SSCE_S16 scoreCount);

// KelmLib's own: writes a compressed lexicon holding the given words (in any
// order; duplicates kept once), each with its commonness level, the SCOWL
// size of the smallest word list that holds it (10 very common to 95 rare).
// The file is replaced atomically, and then its suggestion index is written
// beside it ("x.clx" gives "x.idx"; a name without the extension gets ".idx"
// added), which the engine maps at the first suggestion instead of building
// the index. An index that is missing, damaged or made for another version of
// the lexicon is never used: the engine builds the index in memory, as it
// does for text lexicons, and says so in its diagnostics. Returns 0 or an
// error.
struct KELM_EXPORT KelmLexiconWord {
  const char* word;  // Windows-1252, at most 63 characters
  std::uint8_t level;
};
KELM_EXPORT SSCE_S16 KelmWriteCompressedLexicon(const char* path, const KelmLexiconWord* words,
                                                std::size_t count);

// KelmLib's own: puts a copy of the lexicon file `source` at `path` when there
// is no file there or the lexicon there holds no words, as a new user's
// lexicons are filled with the defaults. Another session or process may be
// adding a word to that lexicon at the same moment: the look and the copy are
// made under the lock its changes are made under, so a word added first is
// kept and the copy skipped, and a word added after comes on top of the copy.
// A lexicon that cannot be read counts as holding words and is left alone. The
// copy is whole or not at all. Returns 1 when copied, 0 when left alone, or an
// error (the source unreadable, the folder missing or not writable).
KELM_EXPORT SSCE_S16 KelmSeedLexicon(const char* path, const char* source);

// KelmLib's own: the engine's diagnostics so far in this process, one message
// a line, oldest first (the last 64 at most). Copies at most bufferSize - 1
// bytes and a zero into buffer; returns the length of the whole text.
KELM_EXPORT SSCE_S32 KelmGetSpellingDiagnostics(char* buffer, SSCE_S32 bufferSize);
