#!/usr/bin/env python3
"""Writes sample.rtf, the example RTF/CRE steno dictionary, from the entries of
sample_dictionary.tsv (see its head for the columns and tags), the regular
forms of its verbs and nouns, and the number-bar strokes.

    python3 examples/make_sample_dictionary.py [TSV] [OUT.rtf]

Outlines are written as steno writers spell them (a hyphen only where no vowel
separates the sides). The regular forms are kept only when the word
list (Debian's wamerican) knows them, and only where their outline is free: a
written entry always wins over a made one. Two written entries for one outline
are an error."""

import os
import sys

sys.dont_write_bytecode = True  # keep the examples folder free of caches

from steno_keys import NUMBER_BAR, StrokeError, read_outline, write_outline

HERE = os.path.dirname(os.path.abspath(__file__))
WORD_LIST = "/usr/share/dict/american-english"

# Translation flag words, as the dictionary reader's \cxkelmdictflags takes them.
ATTACH_LETTERS = 0x1000
ATTACH_NUMBERS = 0x0800

# Key positions the regular forms fold into a stroke.
KEY_G, KEY_T, KEY_S, KEY_D, KEY_Z = 19, 20, 21, 22, 23

# Digits of the number bar: the key each one is written with, in key order.
DIGIT_KEYS = [("1", 2), ("2", 3), ("3", 5), ("4", 7), ("5", 9), ("0", 10), ("6", 14),
              ("7", 16), ("8", 18), ("9", 20)]
KEY_E, KEY_U = 12, 13

VOWELS = "aeiou"

# The marks that go in a \cxp group; quotes and brackets are plain text.
PUNCTUATION = ".!?:-,;"


class Entry:
    def __init__(self, strokes, text, tags, source):
        self.strokes = strokes
        self.text = text
        self.tags = tags
        self.source = source


def read_table(path):
    entries, errors = [], []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) < 2:
                errors.append(f"{path}:{number}: no translation")
                continue
            tags = set(fields[2].split()) if len(fields) > 2 else set()
            try:
                strokes = read_outline(fields[0])
            except StrokeError as e:
                errors.append(f"{path}:{number}: {e}")
                continue
            entries.append(Entry(strokes, fields[1], tags, f"{path}:{number}"))
    return entries, errors


# --- Regular forms ------------------------------------------------------


def ends_consonant_vowel_consonant(word):
    return (len(word) >= 3 and word[-1] not in VOWELS + "wxy" and word[-2] in VOWELS
            and word[-3] not in VOWELS)


def one_syllable(word):
    groups, previous = 0, False
    for ch in word:
        vowel = ch in VOWELS
        groups += vowel and not previous
        previous = vowel
    return groups <= 1


def candidates(word, ending):
    """Spellings of word + ending, the likelier first."""
    if ending == "s":
        if word.endswith(("s", "x", "z", "ch", "sh")):
            return [word + "es"]
        if word.endswith("y") and word[-2:-1] not in VOWELS:
            return [word[:-1] + "ies"]
        return [word + "s", word + "es"]
    if word.endswith("ie") and ending == "ing":
        return [word[:-2] + "ying"]
    if word.endswith("e") and not word.endswith(("ee", "ye", "oe")):
        return [word[:-1] + ending]
    if word.endswith("e"):
        return [word + ending, word[:-1] + ending]
    if word.endswith("y") and ending == "ed" and word[-2:-1] not in VOWELS:
        return [word[:-1] + "ied"]
    plain, doubled = word + ending, word + word[-1] + ending
    if not ends_consonant_vowel_consonant(word):
        return [plain]
    return [doubled, plain] if one_syllable(word) else [plain, doubled]


def fold(strokes, key, blockers):
    last = strokes[-1]
    if key in last or last & blockers:
        return None
    return strokes[:-1] + (last | {key},)


def regular_forms(entry, words):
    """(strokes, text) of the regular forms of a verb or noun entry."""
    word = entry.text
    wanted = []
    if "v" in entry.tags:
        wanted.append(("ing", fold(entry.strokes, KEY_G, {KEY_T, KEY_S, KEY_D, KEY_Z})))
        wanted.append(("ed", fold(entry.strokes, KEY_D, {KEY_Z})))
    if "v" in entry.tags or "n" in entry.tags:
        plural = fold(entry.strokes, KEY_S, {KEY_D, KEY_Z}) or fold(entry.strokes, KEY_Z, set())
        wanted.append(("s", plural))
    forms = []
    for ending, strokes in wanted:
        if strokes is None:
            continue
        known = [c for c in candidates(word, ending) if c in words]
        if known:
            forms.append((strokes, known[0]))
    return forms


# --- Numbers --------------------------------------------------------------


def number_entries():
    """Digits on the number bar: each digit, each pair of digits in key order
    (with E and U reversing them), a digit doubled by -D, and a digit with -Z
    for its hundreds."""
    entries = []

    def add(keys, text):
        entries.append(Entry((frozenset(keys | {NUMBER_BAR}),), text, {"numbers"}, "numbers"))

    for i, (digit, key) in enumerate(DIGIT_KEYS):
        add({key}, digit)
        add({key, KEY_D}, digit * 2)
        add({key, KEY_Z}, digit + "00")
        for second, other in DIGIT_KEYS[i + 1:]:
            add({key, other}, digit + second)
            add({key, other, KEY_E, KEY_U}, second + digit)
    return entries


# --- RTF ------------------------------------------------------------------


def escape(text):
    out = []
    for ch in text:
        code = ord(ch.encode("cp1252"))
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code < 0x20 or code >= 0x80:
            out.append(f"\\'{code:02x}")
        else:
            out.append(ch)
    return "".join(out)


def translation_rtf(entry):
    tags = entry.tags
    if "par" in tags:
        body = "\\par"
    elif "punct" in tags and all(ch in PUNCTUATION for ch in entry.text):
        # A hyphen after the control word would read as a parameter's sign.
        blank = " " if entry.text.startswith("-") else ""
        body = "{\\cxp" + blank + escape(entry.text) + "}"
    elif entry.text:
        body = escape(entry.text)
    else:
        body = ""
    if "letters" in tags or "numbers" in tags:
        word = ATTACH_LETTERS if "letters" in tags else ATTACH_NUMBERS
        return f"\\cxkelmdictflags{word} {body}"
    before = "\\cxds" if "suffix" in tags else ""
    # A control word before plain text needs its delimiting blank.
    if before and body and not body.startswith(("\\", "{")):
        before += " "
    after = ("\\cxfc" if "cap" in tags else "") + ("\\cxds" if "prefix" in tags else "")
    return before + body + after


def write_rtf(path, entries):
    lines = ["{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem KelmLib sample dictionary}",
             "{\\stylesheet{\\s0 Normal;}}"]
    for e in entries:
        lines.append("{\\*\\cxs " + write_outline(e.strokes) + "}" + translation_rtf(e))
    lines.append("}")
    with open(path, "w", encoding="cp1252", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


# --- Main -----------------------------------------------------------------


def fingerspelling():
    """a to z with the asterisk, capitals with -P as well."""
    letters = {"a": "A*", "b": "PW*", "c": "KR*", "d": "TK*", "e": "*E", "f": "TP*",
               "g": "TKPW*", "h": "H*", "i": "*EU", "j": "SKWR*", "k": "K*", "l": "HR*",
               "m": "PH*", "n": "TPH*", "o": "O*", "p": "P*", "q": "KW*", "r": "R*",
               "s": "S*", "t": "T*", "u": "*U", "v": "SR*", "w": "W*", "x": "KP*",
               "y": "KWR*", "z": "STKPW*"}
    entries = []
    for letter, outline in letters.items():
        for text, suffix in ((letter, ""), (letter.upper(), "P")):
            strokes = read_outline(outline + ("-" if "-" not in outline else "") + suffix)
            entries.append(Entry(strokes, text, {"letters"}, "letters"))
    return entries


def main():
    table = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "sample_dictionary.tsv")
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "sample.rtf")
    written, errors = read_table(table)
    written += fingerspelling() + number_entries()

    held = {}
    for e in written:
        if e.strokes in held:
            errors.append(f"{e.source}: {write_outline(e.strokes)} \"{e.text}\" is already "
                          f"\"{held[e.strokes].text}\" ({held[e.strokes].source})")
        else:
            held[e.strokes] = e
    if errors:
        print("\n".join(errors), file=sys.stderr)
        sys.exit(1)

    with open(WORD_LIST, encoding="utf-8") as f:
        words = set(line.strip() for line in f)
    made, taken = [], 0
    for e in written:
        for strokes, text in regular_forms(e, words):
            if strokes in held:
                taken += 1
                continue
            held[strokes] = Entry(strokes, text, set(), e.source)
            made.append(held[strokes])

    entries = written + made
    write_rtf(out, entries)
    print(f"{out}: {len(entries)} entries ({len(written)} written, {len(made)} regular forms, "
          f"{taken} forms left out because their outline is taken)")


if __name__ == "__main__":
    main()
