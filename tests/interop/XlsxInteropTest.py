"""Interop of the built-in workbook engine with openpyxl.

Usage: XlsxInteropTest.py XLSX_TOOL WORK_FOLDER

1. The engine writes a workbook (texts, outline levels, hyperlinks, the A1 comment, sheets);
   openpyxl reads the same back.
2. openpyxl writes a workbook with a bold filled cell, a formula, a second sheet and a defined
   name; the engine opens it, appends rows and a sheet, saves; openpyxl finds everything there.
3. What openpyxl saves of our workbook, the engine reads back.
4. Cells and links the engine writes into openpyxl's workbook: link targets are URIs, a cell
   holds at most 32,767 characters, an empty text leaves it blank, a link without text its address.
Fails (never skips) when openpyxl is missing.
"""
import os
import re
import shutil
import subprocess
import sys
import unittest
import zipfile
from xml.etree import ElementTree

import openpyxl
from openpyxl.comments import Comment
from openpyxl.styles import Font, PatternFill

TOOL = sys.argv[1]
WORK = sys.argv[2]
# An absolute URI of RFC 3986: a scheme, then URI characters and %XX escapes, at most one "#".
URI = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:([\w.~!$&'()*+,;=:@/?\[\]-]|%[0-9A-F]{2})*"
                 r"(#([\w.~!$&'()*+,;=:@/?-]|%[0-9A-F]{2})*)?$", re.ASCII)


def esc(text):
    out = []
    for ch in text:
        if ch == "\\":
            out.append("\\\\")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "\n":
            out.append("\\n")
        elif ord(ch) < 0x20:
            out.append("\\x%02x" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def run(*lines):
    """Runs the tool on the operations (tuples of fields); the lines it printed."""
    script = "".join("\t".join(esc(str(f)) for f in line) + "\n" for line in lines)
    done = subprocess.run([TOOL], input=script.encode(), stdout=subprocess.PIPE, check=True)
    return done.stdout.decode().splitlines()


def path(name):
    return os.path.join(WORK, name)


class WrittenByUs(unittest.TestCase):
    def test_openpyxl_reads_what_we_write(self):
        texts = {(1, 1): "Artist", (1, 2): "Album", (2, 1): "Кино", (3, 2): "Группа крови",
                 (4, 3): "  spaced\tand\nbroken  ", (5, 3): "x" * 5000, (6, 3): "snake_case_x"}
        ops = [("new",), ("rename", "Музыка")]
        ops += [("set", r, c, t) for (r, c), t in texts.items()]
        ops += [("group", "C3:C6"), ("group", "B4:B5"), ("link", 7, 3, "file:///music/a%20b.mp3", "a b.mp3"),
                ("comment", "A1"), ("commenttext", "A1", "7"), ("addsheet",), ("rename", "Second"),
                ("saveas", path("ours.xlsx"))]
        self.assertEqual(run(*ops), [])
        wb = openpyxl.load_workbook(path("ours.xlsx"))
        self.assertEqual(wb.sheetnames, ["Second", "Музыка"])
        self.assertEqual(wb.active.title, "Second")
        ws = wb["Музыка"]
        for (r, c), t in texts.items():
            self.assertEqual(ws.cell(r, c).value, t)
        levels = {r: ws.row_dimensions[r].outline_level for r in range(1, 8)}
        self.assertEqual(levels, {1: 0, 2: 0, 3: 1, 4: 2, 5: 2, 6: 1, 7: 0})
        self.assertEqual(ws.cell(7, 3).value, "a b.mp3")
        self.assertEqual(ws.cell(7, 3).hyperlink.target, "file:///music/a%20b.mp3")
        self.assertEqual(ws["A1"].comment.text, "7")

    def test_control_characters_survive(self):
        # openpyxl leaves the escapes as they are; the file stays well-formed and we read them back.
        value = "a\x01b\x1fc\rd"
        out = run(("new",), ("set", 1, 1, value), ("set", 1, 2, "_x0041_ literal"), ("saveas", path("control.xlsx")),
                  ("open", path("control.xlsx")), ("get", 1, 1), ("get", 1, 2))
        self.assertEqual(out, [esc(value), "_x0041_ literal"])
        ws = openpyxl.load_workbook(path("control.xlsx")).active
        self.assertEqual(ws["A1"].value.replace("_x000D_", "\r"), value.replace("\x01", "_x0001_").replace("\x1f", "_x001F_"))


class CellsAndLinks(unittest.TestCase):
    def test_openpyxl_reads_each_cell_and_link_target(self):
        wb = openpyxl.Workbook()
        wb.active["B1"] = "theirs"
        wb.active["B1"].font = Font(bold=True)
        wb.save(path("table.xlsx"))
        wide = "a" * 32766
        unc = r"\\server\share\Abbey Road\#1 Кино.mp3"
        web = "https://[::1]/a%20b%zz/ё?q=[1]#f#g"
        # (operation, the cell's value, its link's target), a row each but their styled B1.
        cases = [
            (("set", 1, 2, ""), None, None),
            (("set", 2, 1, "x" * 40000), "x" * 32767, None),
            (("set", 3, 1, wide + "\U0001F600"), wide, None),
            (("set", 4, 1, ""), None, None),
            (("link", 5, 1, "http://example.com/Back & Black <1980>/01 - Hells Bells.mp3", "AC/DC"), "AC/DC",
             "http://example.com/Back%20&%20Black%20%3C1980%3E/01%20-%20Hells%20Bells.mp3"),
            (("link", 6, 1, unc, ""), unc, "file://server/share/Abbey%20Road/%231%20%D0%9A%D0%B8%D0%BD%D0%BE.mp3"),
            (("link", 7, 1, web, ""), web, "https://[::1]/a%20b%25zz/%D1%91?q=%5B1%5D#f%23g"),
        ]
        self.assertEqual(run(("open", path("table.xlsx")), *[c[0] for c in cases], ("save",)), [])
        ws = openpyxl.load_workbook(path("table.xlsx")).active
        for (_, row, column, *_), value, target in cases:
            cell = ws.cell(row, column)
            with self.subTest(cell.coordinate):
                self.assertEqual(cell.value, value)  # an empty text cell reads as "", a blank one as None
                self.assertEqual(cell.hyperlink and cell.hyperlink.target, target)
                self.assertTrue(target is None or URI.match(target), target)
        self.assertTrue(ws["B1"].font.b)


class WrittenByOpenpyxl(unittest.TestCase):
    def test_we_keep_what_we_do_not_change(self):
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "Data"
        ws["A1"] = "Head"
        ws["A1"].font = Font(bold=True)
        ws["A1"].fill = PatternFill("solid", fgColor="FFFF00")
        ws["B2"] = 41
        ws["B3"] = "=B2+1"
        ws["C2"] = True
        ws.merge_cells("D1:E1")
        other = wb.create_sheet("Other")
        other["A1"] = "other text"
        wb.defined_names.append(openpyxl.workbook.defined_name.DefinedName("Total", attr_text="Data!$B$3"))
        wb.active = 0
        wb.save(path("openpyxl.xlsx"))
        # Every part compressed as no writer of ours would (best level): an untouched part must
        # come back with exactly these compressed bytes.
        with zipfile.ZipFile(path("openpyxl.xlsx")) as src, zipfile.ZipFile(path("theirs.xlsx"), "w") as dst:
            for info in src.infolist():
                dst.writestr(info, src.read(info.filename), zipfile.ZIP_DEFLATED, 9)
        untouched = ["xl/styles.xml", "xl/theme/theme1.xml", "docProps/core.xml", "xl/worksheets/sheet2.xml"]
        with zipfile.ZipFile(path("theirs.xlsx")) as package:
            before = {n: (package.getinfo(n).compress_size, package.getinfo(n).CRC) for n in untouched}

        ops = [("open", path("theirs.xlsx")), ("get", 1, 1), ("get", 2, 2), ("get", 2, 3),
               ("set", 1, 1, "New head")]
        ops += [("set", r, 1, "row %d" % r) for r in range(4, 40)]
        ops += [("group", "A5:A9"), ("sheet", "other"), ("get", 1, 1), ("addsheet",), ("rename", "Added"),
                ("set", 1, 1, "fresh"), ("save",)]
        self.assertEqual(run(*ops), ["Head", "41", "TRUE", "other text"])

        with zipfile.ZipFile(path("theirs.xlsx")) as package:
            after = {n: (package.getinfo(n).compress_size, package.getinfo(n).CRC) for n in untouched}
        self.assertEqual(after, before)

        wb = openpyxl.load_workbook(path("theirs.xlsx"))
        # Taking "Other" by name does not activate it: the new sheet goes before the active "Data".
        self.assertEqual(wb.sheetnames, ["Added", "Data", "Other"])
        self.assertEqual(wb.active.title, "Added")
        ws = wb["Data"]
        self.assertEqual(ws["A1"].value, "New head")
        self.assertTrue(ws["A1"].font.b)
        self.assertEqual(ws["A1"].fill.fgColor.rgb, "00FFFF00")
        self.assertEqual(ws["B2"].value, 41)
        self.assertEqual(ws["B3"].value, "=B2+1")
        self.assertIs(ws["C2"].value, True)
        self.assertIn("D1:E1", [str(r) for r in ws.merged_cells.ranges])
        self.assertEqual([ws.cell(r, 1).value for r in (4, 39)], ["row 4", "row 39"])
        self.assertEqual(ws.row_dimensions[7].outline_level, 1)
        self.assertEqual(wb["Other"]["A1"].value, "other text")
        self.assertEqual(wb["Added"]["A1"].value, "fresh")
        self.assertEqual(wb.defined_names["Total"].attr_text, "Data!$B$3")

    def test_we_read_what_openpyxl_saves_of_ours(self):
        run(("new",), ("set", 2, 2, "Ёлка"), ("comment", "A1"), ("commenttext", "A1", "12"),
            ("saveas", path("resaved.xlsx")))
        wb = openpyxl.load_workbook(path("resaved.xlsx"))
        wb.active["C3"] = "added by openpyxl"
        wb.save(path("resaved.xlsx"))
        out = run(("open", path("resaved.xlsx")), ("get", 2, 2), ("get", 3, 3), ("getcomment", "A1"),
                  ("comment", "A1"))
        self.assertEqual(out[:3], ["Ёлка", "added by openpyxl", "12"])
        self.assertTrue(out[3].startswith("error\t"), out[3])


class CommentsOfOpenpyxl(unittest.TestCase):
    def test_our_comment_joins_theirs(self):
        wb = openpyxl.Workbook()
        wb.active["B2"] = "noted"
        wb.active["B2"].comment = Comment("theirs", "someone")
        wb.save(path("comments.xlsx"))
        out = run(("open", path("comments.xlsx")), ("getcomment", "B2"), ("comment", "A1"),
                  ("commenttext", "A1", "42"), ("save",))
        self.assertEqual(out, ["theirs"])
        ws = openpyxl.load_workbook(path("comments.xlsx")).active
        self.assertEqual(ws["A1"].comment.text, "42")
        self.assertEqual(ws["B2"].comment.text, "theirs")
        self.assertEqual(ws["B2"].value, "noted")
        # Their drawing, with our shape in it, is still well-formed XML with its namespaces declared.
        with zipfile.ZipFile(path("comments.xlsx")) as package:
            (vml,) = [n for n in package.namelist() if n.endswith(".vml")]
            root = ElementTree.fromstring(package.read(vml))
        rows = sorted(e.text for e in root.iter("{urn:schemas-microsoft-com:office:excel}Row"))
        self.assertEqual(rows, ["0", "1"])


if __name__ == "__main__":
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    unittest.main(argv=[sys.argv[0]])
