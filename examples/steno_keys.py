"""Steno strokes as the example scripts need them: read from the plain
notation, written back in the library's own form, and packed into the byte
packets of each steno writer."""

# One character per key position, 0 to 23; with the number bar down the ten
# digit keys read as their digit.
KEY_ORDER = "@#STKPWHRAO*EUFRPBLGTSDZ"
NUMBER_ORDER = "@#12K3W4R50*EU6R7B8G9SDZ"

MARK, NUMBER_BAR, MIDDLE_FIRST, RIGHT_FIRST = 0, 1, 9, 14
LEFT = {"S": 2, "T": 3, "K": 4, "P": 5, "W": 6, "H": 7, "R": 8}
RIGHT = {"F": 14, "R": 15, "P": 16, "B": 17, "L": 18, "G": 19, "T": 20, "S": 21,
         "D": 22, "Z": 23}
# Keys that exist on one side only move the reading to the right side.
MIDDLE = {"A": 9, "O": 10, "*": 11, "E": 12, "U": 13}
LEFT_DIGITS = {"1": 2, "2": 3, "3": 5, "4": 7}
RIGHT_DIGITS = {"5": 9, "0": 10, "6": 14, "7": 16, "8": 18, "9": 20}


class StrokeError(ValueError):
    pass


def read_stroke(text):
    """The key positions of one stroke in the plain notation, as a set.
    Letters name the left key until a hyphen, a vowel, the asterisk or a key
    found only on the right moves the reading to the right side."""
    keys, right = set(), False

    def press(position):
        if position in keys:
            raise StrokeError(f"{text!r} repeats a key")
        keys.add(position)

    for ch in text.upper():
        if ch == "-":
            right = True
        elif ch == "#":
            press(NUMBER_BAR)
        elif ch == "@":
            press(MARK)
        elif ch in MIDDLE:
            press(MIDDLE[ch])
            right = True
        elif ch in LEFT_DIGITS:
            keys.add(NUMBER_BAR)
            press(LEFT_DIGITS[ch])
        elif ch in RIGHT_DIGITS:
            keys.add(NUMBER_BAR)
            press(RIGHT_DIGITS[ch])
            right = True
        elif not right and ch in LEFT:
            press(LEFT[ch])
        elif ch in RIGHT:
            press(RIGHT[ch])
            right = True
        else:
            raise StrokeError(f"{text!r}: {ch!r} is no key")
    if not keys:
        raise StrokeError(f"{text!r} has no key")
    return frozenset(keys)


def read_outline(text):
    return tuple(read_stroke(piece) for piece in text.split("/"))


def write_stroke(keys):
    """The stroke as steno writers spell it: keys in key order, with a hyphen
    only where no vowel or asterisk stands between the left and right keys."""
    order = NUMBER_ORDER if NUMBER_BAR in keys else KEY_ORDER
    left = "".join(order[p] for p in range(0, MIDDLE_FIRST) if p in keys)
    middle = "".join(order[p] for p in range(MIDDLE_FIRST, RIGHT_FIRST) if p in keys)
    right = "".join(order[p] for p in range(RIGHT_FIRST, 24) if p in keys)
    return left + (middle or ("-" if right else "")) + right


def write_outline(strokes):
    return "/".join(write_stroke(keys) for keys in strokes)


def key_bits(keys):
    """24 bits, position 0 the most significant: the library's three key
    bytes in order."""
    return sum(1 << (23 - p) for p in keys)


def flash_packet(keys):
    return key_bits(keys).to_bytes(3, "big")


def baron_packet(keys):
    b = flash_packet(keys)
    return bytes((b[2], b[1], b[0]))


# Every byte of a Stentura packet carries these two high bits; they hold no key.
STENTURA_MARKER = 0xC0


def stentura_packet(keys):
    bits = key_bits(keys)
    return bytes(STENTURA_MARKER | (bits >> shift) & 0x3F for shift in (18, 12, 6, 0))


def sten8000_packet(keys):
    """The 22 letter keys first, then the number bar, then the mark."""
    bits = key_bits(keys)
    letters = bits & 0x3FFFFF
    value = letters << 2 | (bits >> 22 & 1) << 1 | bits >> 23 & 1
    return value.to_bytes(3, "big")


# The first byte of a Merit packet carries no key; the writer's packets start
# with this one.
MERIT_HEADER = 0x80


def reverse_bits(byte):
    return int(f"{byte:08b}"[::-1], 2)


def merit_packet(keys):
    return bytes((MERIT_HEADER,) + tuple(reverse_bits(b) for b in flash_packet(keys)))


# Gemini PR: six bytes of seven keys each under the high bit, which only the
# first byte sets. The writer's second S-, other asterisks and other number
# keys are left alone: one of each stands for the key.
GEMINI_BITS = {  # key position: (byte, mask)
    NUMBER_BAR: (0, 0x20),
    2: (1, 0x40), 3: (1, 0x10), 4: (1, 0x08), 5: (1, 0x04), 6: (1, 0x02), 7: (1, 0x01),
    8: (2, 0x40), 9: (2, 0x20), 10: (2, 0x10), 11: (2, 0x08),
    12: (3, 0x08), 13: (3, 0x04), 14: (3, 0x02), 15: (3, 0x01),
    16: (4, 0x40), 17: (4, 0x20), 18: (4, 0x10), 19: (4, 0x08), 20: (4, 0x04), 21: (4, 0x02),
    22: (4, 0x01), 23: (5, 0x01),
}


def gemini_packet(keys):
    packet = [0x80, 0, 0, 0, 0, 0]
    for p in keys:
        byte, mask = GEMINI_BITS[p]
        packet[byte] |= mask
    return bytes(packet)


# TX Bolt: four key sets of six keys, the set in each byte's two high bits;
# only the sets with keys go, in order, and hobbyist writers end every stroke
# with a byte of no keys.
TXBOLT_SETS = ((2, 3, 4, 5, 6, 7), (8, 9, 10, 11, 12, 13), (14, 15, 16, 17, 18, 19),
               (20, 21, 22, 23, NUMBER_BAR))


def txbolt_packet(keys):
    out = []
    for number, positions in enumerate(TXBOLT_SETS):
        bits = sum(1 << i for i, p in enumerate(positions) if p in keys)
        if bits:
            out.append(number << 6 | bits)
    return bytes(out + [0])


# ProCAT: the three key bytes with the top bit (the mark's place) clear, then
# a byte of all ones.
def procat_packet(keys):
    return (key_bits(keys) & 0x7FFFFF).to_bytes(3, "big") + b"\xff"


# Passport: "<", a count, "/", then each key down as its letter and a shadow
# digit of 8 or more, and ">". The letters of the keys the steno order has.
PASSPORT_LETTERS = {NUMBER_BAR: "#", 2: "S", 3: "T", 4: "K", 5: "P", 6: "W", 7: "H", 8: "R",
                    9: "A", 10: "O", 11: "*", 12: "E", 13: "U", 14: "F", 15: "Q", 16: "N",
                    17: "B", 18: "L", 19: "G", 20: "Y", 21: "X", 22: "D", 23: "Z"}


def passport_packet(keys, count=[0]):
    count[0] += 1
    pairs = "".join(PASSPORT_LETTERS[p] + "f" for p in sorted(keys))
    return f"<{count[0]}/{pairs}>".encode("ascii")


PACKETS = {
    "stentura": stentura_packet,
    "sten8000": sten8000_packet,
    "baron": baron_packet,
    "flash": flash_packet,
    "xscribe": flash_packet,
    "merit": merit_packet,
    "geminipr": gemini_packet,
    "txbolt": txbolt_packet,
    "passport": passport_packet,
    "procat": procat_packet,
}
