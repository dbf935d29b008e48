"""The export's workbooks as openpyxl reads them.

Usage: ExportInteropTest.py TAGMORA_CLI WORK_FOLDER

tagmora-cli exports a folder tree (Artist/Album/title.mp3) with the default columns (Artist and
Album grouped, Title) and a fourth column linking to each file; openpyxl finds the cells, the
outline level of every row, the file links and the A1 comment, and again after an append. Fails
(never skips) when openpyxl is missing.
"""
import os
import shutil
import subprocess
import sys
import unittest
import urllib.parse

import openpyxl

CLI = sys.argv[1]
WORK = sys.argv[2]
FILES = ["Кино/Группа крови/01 Звезда.mp3", "Кино/Группа крови/02 Спокойная ночь.mp3",
         "Кино/Ночь/03 Ночь.mp3", "Zeta/Live #1/04 a&b.mp3"]
LINK = ["--set", "ExcColumnsCount=4", "--set", "ExcColHead_3=Link", "--set", "ExcColScript_3=%p0%",
        "--set", "ExcColIsLink_3=1", "--set", "ExcColIsLocal_3=1"]

# One export of FILES (in list order: by bytes, Zeta first) from its first row: (column A..D texts, outline level) per sheet row.
LAYOUT = [("Zeta", None, None, None, 0), (None, "Live #1", None, None, 1), (None, None, "04 a&b", "04 a&b.mp3", 2),
          (None, None, None, None, 1),
          ("Кино", None, None, None, 0), (None, "Группа крови", None, None, 1),
          (None, None, "01 Звезда", "01 Звезда.mp3", 2), (None, None, "02 Спокойная ночь", "02 Спокойная ночь.mp3", 2),
          (None, "Ночь", None, None, 1), (None, None, "03 Ночь", "03 Ночь.mp3", 2), (None, None, None, None, 1)]


def export(*args):
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(WORK, "config"))
    return subprocess.run([CLI] + LINK + ["export", "--mark", "all"] + list(args), env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False)


class ExportedWorkbook(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(WORK, ignore_errors=True)
        self.music = os.path.join(WORK, "music")
        for name in FILES:
            os.makedirs(os.path.dirname(os.path.join(self.music, name)), exist_ok=True)
            with open(os.path.join(self.music, name), "wb") as f:
                f.write(b"\xff\xfb\x90\x00" + bytes(413))
        self.book = os.path.join(WORK, "list.xlsx")

    def check(self, sheet, first, file_of):
        for offset, (a, b, c, d, level) in enumerate(LAYOUT):
            row = first + offset
            got = tuple(sheet.cell(row, col).value for col in range(1, 5))
            self.assertEqual(got, (a, b, c, d), "row %d" % row)
            self.assertEqual(sheet.row_dimensions[row].outline_level, level, "row %d" % row)
            link = sheet.cell(row, 4).hyperlink
            if d is None:
                self.assertIsNone(link, "row %d" % row)
            else:
                self.assertEqual(link.target, "file://" + urllib.parse.quote(file_of[d], safe="/"))

    def test_openpyxl_reads_the_export_and_its_append(self):
        done = export("--book", self.book, self.music)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        file_of = {os.path.basename(n): os.path.join(self.music, n) for n in FILES}

        sheet = openpyxl.load_workbook(self.book)["Music"]
        self.assertEqual([sheet.cell(1, c).value for c in range(1, 5)], ["Artist", "Album", "Title", "Link"])
        self.check(sheet, 2, file_of)
        self.assertEqual(sheet["A1"].comment.text, "12")

        done = export("--book", self.book, self.music)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        sheet = openpyxl.load_workbook(self.book)["Music"]
        self.check(sheet, 2, file_of)
        self.check(sheet, 13, file_of)
        self.assertEqual(sheet["A1"].comment.text, "23")
        self.assertEqual(sheet.max_row, 23)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
