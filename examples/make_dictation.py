#!/usr/bin/env python3
"""Writes dictation.stentura: a court opening written in common English theory,
as a Stentura writer sends it (four bytes a stroke, six keys a byte)."""

import sys

# "All rise. The court is now in session, the Honorable Judge presiding.
#  Please be seated."
STROKES = [
    "AUL", "RAOEUZ", "TP-PL",
    "-T", "KORT", "S", "TPHOU", "TPH", "SEGS", "KW-BG",
    "-T", "HOPBL", "SKWRUPBLG", "PRE", "SAOEUD", "-G", "TP-PL",
    "PHRAOEZ", "-B", "SAOET", "-D", "TP-PL",
]

KEY_ORDER = "@#STKPWHRAO*EUFRPBLGTSDZ"
LEFT = {"S": 2, "T": 3, "K": 4, "P": 5, "W": 6, "H": 7, "R": 8}
RIGHT = {"F": 14, "R": 15, "P": 16, "B": 17, "L": 18, "G": 19, "T": 20, "S": 21,
         "D": 22, "Z": 23}
MIDDLE = {"A": 9, "O": 10, "*": 11, "E": 12, "U": 13}
# Every byte of a Stentura packet carries these two high bits; they hold no key.
MARKER = 0xC0


def key_positions(stroke):
    """Key positions of a stroke in the plain notation, left keys until a
    hyphen, a vowel, the asterisk or a right-only key moves to the right."""
    positions, right = [], False
    for ch in stroke:
        if ch == "-":
            right = True
        elif ch in MIDDLE:
            positions.append(MIDDLE[ch])
            right = True
        elif not right and ch in LEFT:
            positions.append(LEFT[ch])
        else:
            positions.append(RIGHT[ch])
            right = True
    return positions


def stentura_packet(stroke):
    bits = 0
    for position in key_positions(stroke):
        bits |= 1 << (len(KEY_ORDER) - 1 - position)
    return bytes(MARKER | (bits >> shift) & 0x3F for shift in (18, 12, 6, 0))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "dictation.stentura"
    with open(out, "wb") as f:
        for stroke in STROKES:
            f.write(stentura_packet(stroke))


if __name__ == "__main__":
    main()
