#!/usr/bin/env python3
"""Writes the example captures: what steno writers send for dictation written
in common English theory, with the strokes of sample.rtf.

    python3 examples/make_captures.py [FOLDER]

- dictation.stentura: a court opening, as a Stentura writer sends it;
- paragraph.stentura, .sten8000, .baron, .flash, .xscribe, .merit,
  .geminipr, .txbolt, .passport, .procat: one dictated paragraph in each writer's packets;
- paragraph.steno: the same strokes in the plain notation, one a line;
- paragraph.txt: the English text a translator makes of them."""

import os
import sys

sys.dont_write_bytecode = True  # keep the examples folder free of caches

from steno_keys import PACKETS, read_outline, stentura_packet, write_stroke

# "All rise. The court is now in session, the Honorable Judge presiding.
#  Please be seated."
DICTATION = [
    "AUL", "RAOEUZ", "TP-PL",
    "-T", "KORT", "S", "TPHOU", "TPH", "SEGS", "KW-BG",
    "-T", "HOPBL", "SKWRUPBLG", "PRE", "SAOEUD", "-G", "TP-PL",
    "PHRAOEZ", "-B", "SAOET", "-D", "TP-PL",
]

# One outline a word or brief; suffixes (-G, -D, -S, -BL, -PLT, HREU) are
# strokes of their own, so that the translator joins them by the spelling
# rules: begin + -ing, submit + -ed and occur + -ed double their consonant,
# defense + -able becomes "defensible".
PARAGRAPH = [
    "TKPWORPBG", "KW-BG", "EFRPB", "TP-PL",
    "WE", "R", "PWE/TKPWEUPB", "-G", "-T", "HAERG", "OPB", "-T", "PHOEGS", "THA", "-T",
    "TKEFT", "SUB/PHEUT", "-D", "OPB", "PHAFRPB", "#14", "TP-PL",
    "KOUPBS", "KW-BG", "R", "U", "RED/KWREU", "TO", "PRO/SAOED", "KW-PL",
    "-T", "RORD", "SHO", "RE/TPHREBGT", "THA", "-T", "WEUT/-PBS", "S", "PREPBT", "TP-PL",
    "OPB", "-T", "TPHAOEUT", "-F", "SKWRAOUPB", "#3", "KW-BG", "-T", "WEUT/-PBS", "WAS",
    "AT", "HOEPL", "W", "HER", "TPAPL", "TP-PL",
    "SHE", "TEFT/TPAOEU", "-D", "THA", "-T", "ABGS/TKEPBT", "KUR", "-D", "SHORT", "HREU",
    "AF", "#10", "KHRO*BG", "TP-PL",
    "-T", "PHRAEUPB/TEUF", "AR/TKPWAOU", "-S", "THA", "-T", "POGS", "-F", "-T", "TKEFT",
    "S", "TPHOT", "TKE/TPEPBS", "-BL", "TP-PL",
    "-T", "KORT", "HR", "TAEUBG", "-T", "PHAT/ER", "UPBD", "AD/SRAOEUZ", "-PLT", "SKP",
    "EURB/AOU", "AEU", "RAOUL", "-G", "W-PB", "#30", "TKAEUS", "TP-PL",
    "WE", "HR", "STAPBD", "TPH", "RE/SES", "TP-PL",
]

# What a translator prints for PARAGRAPH: one space between words and after
# each sentence's closing mark, as the default space tables give.
PARAGRAPH_TEXT = (
    "Good morning, everyone. We are beginning the hearing on the motion that the "
    "defendant submitted on March 14. Counsel, are you ready to proceed? The record "
    "should reflect that the witness is present. On the night of June 3, the witness "
    "was at home with her family. She testified that the accident occurred shortly "
    "after 10 o'clock. The plaintiff argues that the position of the defendant is not "
    "defensible. The court will take the matter under advisement and issue a ruling "
    "within 30 days. We will stand in recess."
)


def strokes_of(outlines):
    return [keys for outline in outlines for keys in read_outline(outline)]


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_bytes(os.path.join(folder, "dictation.stentura"),
                b"".join(stentura_packet(k) for k in strokes_of(DICTATION)))

    strokes = strokes_of(PARAGRAPH)
    for writer, packet in PACKETS.items():
        write_bytes(os.path.join(folder, "paragraph." + writer),
                    b"".join(packet(k) for k in strokes))
    with open(os.path.join(folder, "paragraph.steno"), "w", newline="\n") as f:
        f.writelines(write_stroke(k) + "\n" for k in strokes)
    with open(os.path.join(folder, "paragraph.txt"), "w", newline="\n") as f:
        f.write(PARAGRAPH_TEXT + "\n")
    print(f"{folder}: dictation.stentura ({len(strokes_of(DICTATION))} strokes), "
          f"paragraph in {len(PACKETS)} writer formats and as steno ({len(strokes)} strokes, "
          f"{len(PARAGRAPH_TEXT.split())} words)")


if __name__ == "__main__":
    main()
