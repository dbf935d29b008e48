#!/usr/bin/python3
"""The export benchmark's baseline: openpyxl writes the sheet layout of the default export columns.

  openpyxl_export.py --book FILE [--sheet NAME] [--step new|append|both] (--rows FILE | --folder DIR)
  openpyxl_export.py --compare BOOK OTHER [--sheet NAME]

The rows are (artist, album, title) in list order: --rows reads the output of
  tagmora-cli eval --mark all '%p2%<TAB>%p1%<TAB>%p0n[-4]%' FOLDER
(one escaped line per row, the three values separated by tabs), the values of the default export
columns; --folder walks a corpus instead (path order; the folder two levels up, the folder, the
file name without ".mp3").

The layout is the export's: the headers in row 1; the artist in column A on a row of its own when
it changes, then the album in column B when it changes, then the titles in column C; an album's
title rows are grouped (outline level 2 under its artist), an artist's rows with the empty row
after it are grouped (level 1); the comment of A1 holds the last used row, where an append starts.
--step new makes a new workbook, append opens it and appends the rows again below that row, both
does one and then the other; each saves. Prints the time and the peak memory of each step.
--compare prints whether two workbooks hold the same cells, outline levels and A1 comment.
Needs Debian's python3-openpyxl (run it with /usr/bin/python3).
"""
import argparse
import os
import resource
import sys
import time

import openpyxl
from openpyxl.comments import Comment

HEADS = ("Artist", "Album", "Title")
GROUPED = (True, True, False)


def unescape(line):
    """A line of tagmora-cli's output: \\t \\n \\r \\\\ \\0 and \\xHH back to their characters."""
    out, i = [], 0
    simple = {"t": "\t", "n": "\n", "r": "\r", "\\": "\\", "0": "\0"}
    while i < len(line):
        ch = line[i]
        if ch == "\\" and i + 1 < len(line):
            nxt = line[i + 1]
            if nxt in simple:
                out.append(simple[nxt])
                i += 2
                continue
            if nxt == "x" and i + 3 < len(line):
                out.append(chr(int(line[i + 2:i + 4], 16)))
                i += 4
                continue
        out.append(ch)
        i += 1
    return "".join(out)


def rows_from_file(path):
    rows = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            values = unescape(line.rstrip("\n")).split("\t")
            rows.append(tuple((values + ["", "", ""])[:3]))
    return rows


def rows_from_folder(folder):
    paths = []
    for parent, _, names in os.walk(folder):
        paths += [os.path.join(parent, n) for n in names if n.lower().endswith(".mp3")]
    rows = []
    for path in sorted(paths):
        album_dir = os.path.dirname(path)
        rows.append((os.path.basename(os.path.dirname(album_dir)), os.path.basename(album_dir),
                     os.path.basename(path)[:-4]))
    return rows


def write_rows(sheet, rows, start_row):
    """Writes `rows` below `start_row` as the export does; returns the last used row."""
    columns = len(HEADS)
    group_count = sum(GROUPED)
    for j, head in enumerate(HEADS):
        sheet.cell(row=1, column=j + 1, value=head)
    row = start_row + 1
    last = [""] * columns
    group_start = [0] * columns
    dims = sheet.row_dimensions

    def group_level(k):
        off = group_count - 2 - k
        for r in range(max(group_start[k], 2), row + off + 1):
            dims[r].outline_level = (dims[r].outline_level or 0) + 1
        for m in range(k + 1, columns - 1):
            if GROUPED[m]:
                group_level(m)
                break

    look_ahead = ("",) * columns
    for i, values in enumerate(rows):
        for j in range(columns):
            v = values[j]
            if GROUPED[j]:
                if v != last[j]:
                    sheet.cell(row=row, column=j + 1, value=v)
                    row += 1
                    group_start[j] = row
                    last[j] = v
            else:
                sheet.cell(row=row, column=j + 1, value=v)
        row += 1
        following = rows[i + 1] if i + 1 < len(rows) else look_ahead
        for k in range(columns - 1):
            if GROUPED[k] and following[k] != last[k]:
                for m in range(k + 1, columns - 1):
                    last[m] = ""
                group_level(k)
                row += group_count - 1 - k
                break
    return row - 1


def start_row_of(sheet):
    comment = sheet["A1"].comment
    try:
        return int(comment.text.strip()) if comment is not None else 1
    except ValueError:
        return 1


def export(book, sheet_name, rows, new):
    if new:
        workbook = openpyxl.Workbook()
        sheet = workbook.active
        sheet.title = sheet_name
        start = 1
    else:
        workbook = openpyxl.load_workbook(book)
        sheet = workbook[sheet_name]
        start = start_row_of(sheet)
    last = write_rows(sheet, rows, start)
    sheet["A1"].comment = Comment(str(last), "Tagmora")
    workbook.save(book)
    return last


def layout(book, sheet_name):
    sheet = openpyxl.load_workbook(book)[sheet_name]
    cells = {(c.row, c.column): c.value for line in sheet.iter_rows() for c in line if c.value not in (None, "")}
    levels = {r: d.outline_level for r, d in sheet.row_dimensions.items() if d.outline_level}
    comment = sheet["A1"].comment
    return cells, levels, comment.text.strip() if comment is not None else None


def compare(book, other, sheet_name):
    a, b = layout(book, sheet_name), layout(other, sheet_name)
    for what, x, y in (("cells", a[0], b[0]), ("outline levels", a[1], b[1]), ("A1 comment", a[2], b[2])):
        if x != y:
            if isinstance(x, dict):
                first = min(k for k in set(x) | set(y) if x.get(k) != y.get(k))
                print("different %s: first at %s: %r against %r" % (what, first, x.get(first), y.get(first)))
            else:
                print("different %s: %r against %r" % (what, x, y))
            return 1
    print("same cells, outline levels and A1 comment (%d cells, %d grouped rows, last row %s)"
          % (len(a[0]), len(a[1]), a[2]))
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--book", help="the workbook to write")
    parser.add_argument("--sheet", default="Tagmora", help="the sheet's name (default Tagmora)")
    parser.add_argument("--step", choices=("new", "append", "both"), default="both")
    parser.add_argument("--rows", help="tagmora-cli eval output of the three column scripts")
    parser.add_argument("--folder", help="a corpus folder to take the rows from instead")
    parser.add_argument("--compare", nargs=2, metavar=("BOOK", "OTHER"), help="compare two workbooks")
    args = parser.parse_args(argv)
    if args.compare:
        return compare(args.compare[0], args.compare[1], args.sheet)
    if not args.book or bool(args.rows) == bool(args.folder):
        parser.error("--book and one of --rows or --folder are needed")

    rows = rows_from_file(args.rows) if args.rows else rows_from_folder(args.folder)
    steps = ("new", "append") if args.step == "both" else (args.step,)
    for step in steps:
        start = time.perf_counter()
        last = export(args.book, args.sheet, rows, step == "new")
        elapsed = time.perf_counter() - start
        peak_kib = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
        print("openpyxl %s: %d rows, last row %d, %.1f ms, peak %.1f MiB"
              % (step, len(rows), last, elapsed * 1000, peak_kib / 1024))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
