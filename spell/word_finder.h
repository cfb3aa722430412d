// Finding the words of a Windows-1252 text as the spelling checker takes
// them, for a host that walks a transcript word by word: each word goes to
// CSpellChecker::CheckWord, and the text between two words to CheckSpace.
//
// A word is a run of letters and digits (ASCII's, and Windows-1252's
// letters: Š Œ Ž š œ ž Ÿ ƒ ª µ º, and À to ÿ but × and ÷) in which an
// apostrophe (' or the right single quote 0x92) is kept when a letter or a
// digit follows it, so that "don't" and "Darcy's" are one word each. Every
// other byte, a zero byte included, stands between words. The call keeps
// nothing between calls and may be made from any thread.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

// The first word of the nLength bytes at lpText that starts at or after
// nFrom (0 when negative): TRUE with its bytes at [*pnStart, *pnEnd), or
// FALSE when no word is left, the outputs then untouched. A walk passes the
// end of one word as nFrom of the next call; started inside a word, the
// search finds the rest of that word.
KELM_EXPORT BOOL KelmFindWord(LPCSTR lpText, int nLength, int nFrom, int* pnStart, int* pnEnd);
