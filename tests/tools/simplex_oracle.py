#!/usr/bin/env python3
"""Independent model of one simplex-cli run, used to derive the expected bytes of golden cases.

It re-implements, from the documented rules and without using the program, the parts a run
touches: console answers and input records read list-directed, the 4-byte real arithmetic
(every expression in double, rounded once to 4 bytes when stored), the decimal digit
generation and rounding of the output editing, F10.3, the list-directed layout of INTEGER,
REAL and CHARACTER items, the three result files, STOP and the run-time error report.

    simplex_oracle.py CASE_DIR      writes CASE_DIR/expected/ from CASE_DIR/input, answers, args
"""
import math
import os
import struct
import sys
from fractions import Fraction

CRLF = b"\r\n"
TABSIZE = 8
FLOAT_COUNTER_LIMIT = 16777216


def f32(x):
    """Round a double to the nearest 4-byte real (NaN and infinities kept)."""
    if math.isnan(x) or math.isinf(x):
        return x
    return struct.unpack("<f", struct.pack("<f", x))[0]


def divide(p, q):
    """p / q in double precision, as the hardware does it with exceptions masked."""
    if q == 0.0:
        if p == 0.0 or math.isnan(p):
            return -math.nan  # x86-64 produces the default NaN, sign bit set
        return math.copysign(math.inf, p) * math.copysign(1.0, q)
    return p / q


def sign_bit(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0] >> 63 == 1


# --------------------------------------------------------------------------------------------
# Decimal digits of a 4-byte real (widened to 8 bytes): 8 generated digits, rounding by digit.

def power_of_ten(n):
    result, base, m = 1.0, 10.0, abs(n)
    while m:
        if m & 1:
            result *= base
        base *= base
        m >>= 1
    return 1.0 / result if n < 0 else result


def real_to_digits(value, count, fixed, generated=8):
    bits = struct.unpack("<Q", struct.pack("<d", value))[0]
    biased = (bits >> 52) & 0x7FF
    if biased == 2047:
        return ("INF" if bits & ((1 << 52) - 1) == 0 else "NaN"), 0
    if biased == 0:
        return "0" * 20, 0
    m = abs(value)
    x = (biased * 19728 - 20181744) >> 16
    if x > 0:
        m = m / power_of_ten(x)
    elif x < 0:
        m = m * power_of_ten(-x)
    high = struct.unpack("<Q", struct.pack("<d", m))[0] >> 32
    if high < 0x40240000:
        x += 1
    else:
        m = m / 10.0
        x += 2
    if m < 1.0:
        m *= 10.0
        x -= 1
    rest = Fraction(m)
    digits = []
    for _ in range(generated + 1):  # one more digit serves the rounding past the last one
        d = int(rest)
        digits.append(d)
        rest = (rest - d) * 10
    keep = count + 1
    if fixed:
        keep += x
        if keep <= 0:
            return "".join(map(str, digits[:generated])).ljust(20, "0"), x
    keep = min(keep, generated + 1)
    shown = digits[:generated]
    if digits[keep - 1] >= 5:
        if keep - 1 < generated:
            shown[keep - 1] = 0
        i = keep - 2
        while i >= 0:
            if shown[i] == 9:
                shown[i] = 0
                i -= 1
            else:
                shown[i] += 1
                break
        if i < 0:
            shown[0] = 1
            x += 1
    return "".join(map(str, shown)).ljust(20, "0"), x


# --------------------------------------------------------------------------------------------
# Output editing

def digit_at(s, i):
    return s[i] if 0 <= i < len(s) else "0"


def special(value, field_width, listed):
    """INF/NaN text of F, E and G editing."""
    negative = sign_bit(value)
    text = ("-" if negative else "") + ("NaN" if math.isnan(value) else "INF")
    if listed:
        return (" " if negative else "  ") + text
    blanks = field_width - (4 if negative else 3)
    if blanks < 0:
        return "*" * field_width
    return " " * blanks + text


def edit_f(value, w, d, listed=False):
    if math.isnan(value) or math.isinf(value):
        return special(value, w, listed)
    field_width = w
    negative = sign_bit(value)
    if negative:
        w -= 1
    s, n = real_to_digits(value, d, True)
    room = w - d - 1
    lead = (" " if negative else "  ") if listed else None

    def common(blanks):
        return (lead if listed else " " * blanks) + ("-" if negative else "")

    if n < 1 and d == 0:
        return " " * max(field_width - 2, 0) + ("0" if field_width >= 2 else "") + "."
    if n < 1 and n + d <= 0:
        return " " * max(field_width - d - 2, 0) + ("0" if field_width - d >= 2 else "") + "." + "0" * d
    if n < 1 and room < 0:
        return "*" * field_width
    if n > 0:
        if room < n:
            return "*" * field_width
        return common(room - n) + s[:n] + "." + "".join(digit_at(s, n + i) for i in range(d))
    return common(room) + "." + "0" * (-n) + "".join(digit_at(s, i) for i in range(d + n))


def edit_e_listed(value, d=6, e=2, b=1):
    """E editing of a list-directed REAL (k = 1)."""
    negative = sign_bit(value)
    s, x = real_to_digits(value, b + d, False)
    v = abs(x - b)
    return ((" " if negative else "  ") + ("-" if negative else "") + s[:b] + "." + s[b:b + d - b + 1]
            + "E" + ("-" if x < b else "+") + str(v).rjust(e, "0"))


def list_real(value):
    """List-directed output of a 4-byte REAL: G15.6 with k = 1, no trailing blanks."""
    if math.isnan(value) or math.isinf(value):
        return special(value, 15, True)
    _, n = real_to_digits(value, 7, True)
    if n < 0 or n > 6:
        return edit_e_listed(value)
    return edit_f(value, 15 - 4, 6 - n, listed=True)


def list_int(value):
    return (" " if value < 0 else "  ") + str(value)


class ListRecord:
    """One list-directed output record."""

    def __init__(self):
        self.text = " "
        self.last_was_character = True

    def char(self, s):
        if not self.last_was_character:
            self.text += " "
        self.text += s
        self.last_was_character = True
        return self

    def int(self, v):
        self.text += list_int(v)
        self.last_was_character = False
        return self

    def real(self, v):
        self.text += list_real(v)
        self.last_was_character = False
        return self

    def bytes(self):
        return self.text.encode("latin-1") + CRLF


def listed(*items):
    r = ListRecord()
    for kind, v in items:
        getattr(r, kind)(v)
    return r.bytes()


def f10_3(*values):
    return "".join(edit_f(v, 10, 3) for v in values).encode("latin-1") + CRLF


# --------------------------------------------------------------------------------------------
# Input: records and list-directed values

class RunError(Exception):
    def __init__(self, message, statement, where=None):
        super().__init__(message)
        self.message = message
        self.statement = statement
        self.where = where  # the line of a data file the READ failed at


EOF_MESSAGE = "Attempt to read past end of file"
BAD_NUMBER = "Illegal character in numeric input"


def split_records(data):
    """Records of a formatted sequential file: LF ends a record, CR is dropped, tabs expand.
    A last line without a line feed is not a record."""
    records = []
    parts = data.split(b"\n")
    for raw in parts[:-1]:  # a last line without a line feed is not a record
        text = ""
        for ch in raw.decode("latin-1"):
            if ch == "\r":
                continue
            if ch == "\t":
                text += " " * (TABSIZE - len(text) % TABSIZE)
            else:
                text += ch
        records.append(text)
    return records


class ListReader:
    """List-directed READ statements over a list of records."""

    def __init__(self, records, unit, file_name=None, partial_last_line=False):
        self.records = records
        self.unit = unit
        self.file_name = file_name
        self.partial_last_line = partial_last_line
        self.next_record = 0  # records read so far: the line number of the current one
        self.rec = ""
        self.pos = 0
        self.at_record_end_mark = False

    def error(self, message):
        """The READ fails at the current line; with a file, the report names that line."""
        where = None
        if self.file_name is not None:
            where = f"At line {self.next_record} of {self.file_name}"
        return RunError(message, f"READ(UNIT={self.unit},...", where)

    def end_of_file(self):
        where = None
        if self.file_name is not None:
            if self.partial_last_line:
                where = f"At line {self.next_record + 1} of {self.file_name}"
            else:
                where = f"At end of file after line {self.next_record} of {self.file_name}"
        return RunError(EOF_MESSAGE, f"READ(UNIT={self.unit},...", where)

    def values_left(self):
        """After a list-directed READ: repeats no item took, or non-blank text right of where
        it stopped; a slash there ended the input on purpose."""
        if self.repeat > 1:
            return True
        rest = self.rec[self.pos:].lstrip(" ")
        if rest.startswith("/"):
            rest = rest[1:]
        return rest.strip(" ") != ""

    def begin(self):
        if self.next_record >= len(self.records):
            raise self.end_of_file()
        self.rec = self.records[self.next_record]
        self.next_record += 1
        self.pos = 0
        self.repeat = 0
        self.value = None
        self.at_record_end_mark = False

    def read_title(self):
        self.begin()
        return self.rec

    def _getc(self, cross):
        while True:
            if self.pos < len(self.rec):
                c = self.rec[self.pos]
                self.pos += 1
                return c
            if not cross:
                return None
            if self.next_record >= len(self.records):
                raise self.end_of_file()
            self.rec = self.records[self.next_record]
            self.next_record += 1
            self.pos = 0

    def _nonblank(self, cross):
        while True:
            c = self._getc(cross)
            if c != " ":
                return c

    def scan(self, character_item):
        c = self._nonblank(True)
        if c == "/":
            self.pos -= 1
            return None
        if c == ",":
            if self.at_record_end_mark:
                self.at_record_end_mark = False
                c = self._nonblank(False)
                if c == "," or c is None:
                    if c is None:
                        self.at_record_end_mark = True
                    return None
            else:
                return None
        if character_item and c in "'\"":
            quote, text = c, ""
            while True:
                ch = self._getc(True)
                if ch == quote:
                    if self.pos < len(self.rec) and self.rec[self.pos] == quote:
                        text += quote
                        self.pos += 1
                        continue
                    break
                text += ch
            if self.pos >= len(self.rec):
                self.at_record_end_mark = True
            elif self.rec[self.pos] == ",":
                self.pos += 1
            else:
                self._skip_separator()
            return text if text else " "
        text = ""
        while True:
            if c is None:
                self.at_record_end_mark = True
                break
            if c == "*":
                self.repeat = int(text)
                return self.scan(character_item)
            if c == ",":
                self.at_record_end_mark = False
                break
            if c == " ":
                self.at_record_end_mark = False
                self._skip_separator()
                break
            if c == "/":
                self.pos -= 1
                break
            text += c
            c = self._getc(False)
        return text

    def _skip_separator(self):
        while self.pos < len(self.rec) and self.rec[self.pos] == " ":
            self.pos += 1
        if self.pos >= len(self.rec):
            self.at_record_end_mark = True
        elif self.rec[self.pos] == ",":
            self.pos += 1

    def item(self, character_item=False):
        if self.repeat > 1:
            self.repeat -= 1
            return self.value
        self.repeat = 0
        self.value = self.scan(character_item)
        if self.repeat > 0:
            pass
        return self.value


def to_integer(text, reader):
    body = text[1:] if text[:1] in "+-" else text
    if not body or not body.isdigit():
        raise reader.error(BAD_NUMBER)
    return int(text)


def to_real(text, reader):
    t = text.strip()
    body = t[1:] if t[:1] in "+-" else t
    if body[:1] in ("I", "i"):
        return -math.inf if t[:1] == "-" else math.inf
    if body[:1] in ("N", "n"):
        return math.nan
    if any(ch not in "0123456789+-.DEde" for ch in body):
        raise reader.error(BAD_NUMBER)
    t = t.replace("d", "e").replace("D", "e").replace("E", "e")
    mantissa, _, exponent = t.partition("e")
    if not exponent:
        for k in range(1, len(mantissa)):
            if mantissa[k] in "+-":
                mantissa, exponent = mantissa[:k], mantissa[k:]
                break
    if mantissa in ("", "+", "-", ".", "+.", "-."):
        mantissa += "0"
    value = float(mantissa) * 10.0 ** int(exponent or "0")
    return f32(value)


# --------------------------------------------------------------------------------------------
# The title

UTF8_MARK = "\xef\xbb\xbf"
WIDE_MARKS = ("\xff\xfe\x00\x00", "\x00\x00\xfe\xff", "\xff\xfe", "\xfe\xff")


def kept_title(record):
    """100 bytes after a UTF-8 byte-order mark, cut back when byte 101 continues a UTF-8
    character begun within the 100."""
    text = record[len(UTF8_MARK):] if record.startswith(UTF8_MARK) else record
    cut = min(len(text), 100)
    if len(text) > 100 and 0x80 <= ord(text[100]) <= 0xBF:
        start = 100
        while start > 97 and 0x80 <= ord(text[start - 1]) <= 0xBF:
            start -= 1
        lead = ord(text[start - 1])
        length = 2 if 0xC2 <= lead <= 0xDF else 3 if 0xE0 <= lead <= 0xEF else 4 if 0xF0 <= lead <= 0xF4 else 0
        if length and start - 1 + length > 100:
            cut = start - 1
    return text[:cut].ljust(100)


# --------------------------------------------------------------------------------------------
# Data check warnings

SHOWN_AT_MOST = 5


def plural(n, one, many):
    return f"{n} {one if n == 1 else many}"


def warning_lines(skipped, not_numbers, after_rows):
    """Texts of the warnings; each list holds (line, row, count) findings in file order."""
    lines = []
    for line, row, _ in skipped[:SHOWN_AT_MOST]:
        what = "THE TWO DIMENSIONS" if row == 0 else f"THE LAST VALUE OF ROW {row}"
        lines.append(f"LINE {line}: TEXT AFTER {what} IS SKIPPED")
    if len(skipped) > SHOWN_AT_MOST:
        lines.append("TEXT IS SKIPPED ON " + plural(len(skipped) - SHOWN_AT_MOST, "MORE LINE", "MORE LINES"))
    for line, row, count in not_numbers[:SHOWN_AT_MOST]:
        verb = "IS NOT A NUMBER" if count == 1 else "ARE NOT NUMBERS"
        lines.append(f"LINE {line}: {plural(count, 'VALUE', 'VALUES')} OF ROW {row} {verb}"
                     " (NA, NAN, INF OR A LONE SIGN)")
    if len(not_numbers) > SHOWN_AT_MOST:
        more = sum(count for _, _, count in not_numbers[SHOWN_AT_MOST:])
        lines.append(plural(more, "MORE VALUE", "MORE VALUES") + " ON "
                     + plural(len(not_numbers) - SHOWN_AT_MOST, "MORE LINE", "MORE LINES")
                     + (" IS" if more == 1 else " ARE") + " NOT NUMBERS")
    for line, _, _ in after_rows[:SHOWN_AT_MOST]:
        lines.append(f"LINE {line}: TEXT AFTER THE LAST ROW IS NOT READ")
    if len(after_rows) > SHOWN_AT_MOST:
        n = len(after_rows) - SHOWN_AT_MOST
        lines.append(plural(n, "MORE LINE", "MORE LINES") + " AFTER THE LAST ROW"
                     + (" IS" if n == 1 else " ARE") + " NOT READ")
    return [" WARNING: " + text for text in lines]


def not_number(v):
    return math.isnan(v) or math.isinf(v) or (v == 0.0 and sign_bit(v))


# --------------------------------------------------------------------------------------------
# The analysis

def triangle(r, d, s):
    y = f32(r * f32(1.225))
    ds = f32(d + s)
    if ds > 0.0:
        w = (f32(1.225) - y) * f32(1.1546)
        x0 = (math.sqrt(2.0) - w) / 2.0
        return f32(x0 + w * s / ds), y
    return f32(math.sqrt(2.0) / 2.0), y


class Stop(Exception):
    def __init__(self, status=0):
        super().__init__(status)
        self.status = status


def run(case_dir, answers, args):
    out, files = [], {}
    err = []

    def console(*items):
        out.append(listed(*items))

    stdin_records = split_records(answers)
    typed = []
    if args:
        typed.append("'" + args[0].replace("'", "''") + "'")
    if len(args) > 1:
        typed.append(args[1])
    console_reader = ListReader(typed + stdin_records, "*")

    def finish_stop():
        err.append(b" STOP  \n")

    try:
        console(("char", " ENTER INPUT FILENAME"))
        console_reader.begin()
        name = console_reader.item(character_item=True)
        name = (name or "")[:100].rstrip()
        path = os.path.join(case_dir, "input", name)
        if not name or not os.path.isfile(path):
            console(("char", "INPUT FILE DOES NOT EXIST!!"))
            raise Stop(1)
        console(("char", " 0=analysis between cols, 1=analysis between rows"))
        console_reader.begin()
        v = console_reader.item()
        orientation = to_integer(v, console_reader) if v is not None else 0

        with open(path, "rb") as fh:
            data = fh.read()
        partial = data != b"" and not data.endswith(b"\n")
        reader = ListReader(split_records(data), 1, name, partial)
        record = reader.read_title()
        if any(record.startswith(mark) for mark in WIDE_MARKS):
            console(("char", " INPUT FILE IS NOT A PLAIN TEXT FILE (UTF-16 OR UTF-32)"))
            raise Stop(1)
        title = kept_title(record)
        skipped, not_numbers, after_rows = [], [], []
        reader.begin()
        dims = []
        for _ in range(2):
            v = reader.item()
            dims.append(to_integer(v, reader) if v is not None else 0)
        if reader.values_left():
            skipped.append((reader.next_record, 0, 0))
        n_rows, n_cols = max(dims[0], 0), max(dims[1], 0)
        rows = []
        for r in range(1, n_rows + 1):
            reader.begin()
            row = []
            for _ in range(n_cols):
                v = reader.item()
                row.append(to_real(v, reader) if v is not None else 0.0)
            rows.append(row)
            if reader.values_left():
                skipped.append((reader.next_record, r, 0))
            bad = sum(1 for v in row if not_number(v))
            if bad:
                not_numbers.append((reader.next_record, r, bad))
        while reader.next_record < len(reader.records):
            reader.begin()
            if reader.values_left():
                after_rows.append((reader.next_record, 0, 0))
        present = sum(1 for row in rows for v in row if v > 0.0)
        if orientation == 0:
            objects = [[rows[r][c] for r in range(n_rows)] for c in range(n_cols)]
        else:
            objects = rows
        fill = f32(divide(100.0 * present, float(n_rows * n_cols)))
        console()
        console(("char", " MATRIX FILL =  "), ("real", fill), ("char", " %"))
        console()
        for text in warning_lines(skipped, not_numbers, after_rows):
            console(("char", text))

        n = n_cols if orientation == 0 else n_rows
        if n * (n - 1) > 2**31 - 1:
            # The pair numbers would leave the 32-bit range: refused before any result file.
            raise RunError("Buffer allocation failed", None)
        if n < 2:
            console(("char", f" AT LEAST 2 OBJECTS ARE NEEDED, {n} READ"))
            raise Stop(1)
        empty = [j + 1 for j in range(n) if not any(v > 0.0 for v in objects[j])]
        if empty:
            # As the pair loop met them: pair (1,2) names 1 and 2 when both are empty.
            console(("int", empty[0]), ("char", "  IS EMPTY"))
            if empty[0] == 1 and len(empty) > 1 and empty[1] == 2:
                console(("int", 2), ("char", "  IS EMPTY"))
            raise Stop(1)
        pair_count = n * (n - 1) // 2
        pair_total = f32(float(pair_count))
        resu = [title.encode("latin-1") + CRLF, listed(("int", pair_count), ("int", 3))]
        simplex = [title.encode("latin-1") + CRLF, listed(("int", pair_count + 3), ("int", 2))]
        files["resu.ord"], files["simplex.dat"] = resu, simplex
        sums = dict(s=0.0, r=0.0, d=0.0, dns=0.0, ri=0.0)
        table = []
        for j in range(n - 1):
            for k in range(j + 1, n):
                a = b = c = 0
                for i in range(len(objects[j])):
                    pj, pk = objects[j][i] > 0.0, objects[k][i] > 0.0
                    a += pj and pk
                    b += pj and not pk
                    c += pk and not pj
                a, b, c = (f32(float(min(v, FLOAT_COUNTER_LIMIT))) for v in (a, b, c))
                t = f32(a + b + c)
                d = f32(abs(b - c))
                S, R, D = f32(a / t), f32((t - a - d) / t), f32(d / t)
                resu.append(f10_3(R, D, S))
                table.append((R, D, S))
                # Sums in double precision, in pair order.
                sums["s"] += S
                sums["r"] += R
                sums["d"] += D
                if not a > 0.0:
                    sums["dns"] += D
                if a > 0.0 and b == c:
                    sums["ri"] += S + D
                simplex.append(f10_3(*triangle(R, D, S)))

        s_, r_, d_, dns, ri = sums["s"], sums["r"], sums["d"], sums["dns"], sums["ri"]
        share = lambda v: f32(divide(100.0 * v, pair_total))
        comb = lambda v: f32(divide(v * 100.0, pair_total))
        values = [share(s_), share(r_), share(d_), comb(r_ + d_), comb(r_ + s_), share(dns),
                  comb(d_ + s_ - dns), share(ri), comb(d_ + s_ - dns - ri)]
        labels = [" S   SIMILARITY               ", " R   SPECIES REPLACEMENT      ",
                  " D   RICHNESS DIFFERENCE      ", None, " R+D BETA DIVERSITY           ",
                  " S+R RICHNESS AGREEMENT       ", " ANTI-NESTEDNESS FRACTION     ",
                  " S+D-ANTI NESTEDNESS          ", " RICHNESS IDENTITY FRACTION   ",
                  " S+D-ANTI-RIDENT NESTEDNESS   "]
        console()
        console(("char", "                                    PERCENTAGES"))
        console()
        it = iter(values)
        for label in labels:
            if label is None:
                console()
            else:
                console(("char", label), ("real", next(it)))
        console()
        console()
        resu.append(f10_3(fill, values[0], values[1], values[2], values[3], values[4], values[6], values[5]))
        console(("char", " FULL SET OF SIMPLEX SCORES SAVED IN FILE resu.ord FOR NONHIER"))
        console(("char", " FULL SET OF COORDINATES SAVED IN FILE simplex.dat "))
        for corner in ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)):
            simplex.append(f10_3(*triangle(*corner)))

        kept, seen = [], set()
        for triple in table:
            if triple not in seen:
                seen.add(triple)
                kept.append(triple)
        reduc = [listed(("char", title)), listed(("int", len(kept)), ("int", 3))]
        reduc += [listed(("real", r), ("real", d), ("real", s)) for r, d, s in kept]
        files["REDUC.ORD"] = reduc
        console(("int", pair_count), ("char", " PAIRS TAKE "), ("int", len(kept)), ("char", " POSITIONS "))
        console(("char", " REDUCED SET OF SIMPLEX SCORES SAVED IN REDUC.ORD FOR NONHIER"))
        raise Stop()
    except Stop as e:
        finish_stop()
        status = e.status
    except RunError as e:
        err.append(f"? FORTRAN Runtime Error:\n? {e.message}\n".encode())
        if e.statement:
            err.append(f"? {e.statement}\n".encode())
        if e.where:
            err.append(f"? {e.where}\n".encode("latin-1"))
        status = 255
    return b"".join(out), b"".join(err), status, {k: b"".join(v) for k, v in files.items()}


def write_expected(case_dir):
    with open(os.path.join(case_dir, "answers"), "rb") as fh:
        answers = fh.read()
    args = []
    args_path = os.path.join(case_dir, "args")
    if os.path.exists(args_path):
        with open(args_path, encoding="latin-1") as fh:
            args = fh.read().split("\n")[:-1]
    stdout, stderr, status, files = run(case_dir, answers, args)
    expected = os.path.join(case_dir, "expected")
    os.makedirs(expected, exist_ok=True)
    for name in os.listdir(expected):
        os.remove(os.path.join(expected, name))
    for name, data in (("stdout.bin", stdout), ("stderr.bin", stderr),
                       ("exit_status", f"{status}\n".encode())):
        with open(os.path.join(expected, name), "wb") as fh:
            fh.write(data)
    for name in ("resu.ord", "simplex.dat", "REDUC.ORD"):
        earlier = os.path.join(case_dir, "input", name)
        if name not in files and os.path.exists(earlier):
            # A result file of an earlier run that this run does not write stays as it was.
            with open(earlier, "rb") as fh:
                files[name] = fh.read()
        if name in files:
            with open(os.path.join(expected, name), "wb") as fh:
                fh.write(files[name])
        else:
            open(os.path.join(expected, name + ".absent"), "wb").close()


if __name__ == "__main__":
    for case in sys.argv[1:]:
        write_expected(case)
