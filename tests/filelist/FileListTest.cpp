// Folder scanning: order, hidden entries, the mask, folder numbers, flat scans, siblings,
// link cycles and the folder commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/FileList.h"
#include "filelist/FolderCommands.h"

namespace tagmora {
namespace {

using test::TempDir;

class ScanTest : public ::testing::Test {
protected:
    ScanTest() : list(settings, status, host) {
        settings.IncludeSubDirs = true;
        settings.TAGReadSequence = 2;
    }
    void File(const std::string& relative) { test::WriteFile(dir / relative, test::SilentFrames(1)); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) out.emplace_back(row.FileText());
        return out;
    }
    std::vector<int> Numbers() const {
        std::vector<int> out;
        for (const auto& row : list.Rows()) out.push_back(row.FolderNumber);
        return out;
    }

    TempDir dir;
    AppSettings settings;
    test::RecordingStatus status;
    test::FakeHost host;
    FileList list;
};

TEST_F(ScanTest, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst) {
    dir.MakeDir("A/A1");
    dir.MakeDir("B");
    File("z.mp3");
    File("A/a.mp3");
    File("A/A1/a1.mp3");
    File("B/b.mp3");
    list.AutoOrdering = false;  // the walk order itself, before any sorting
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{dir / "z.mp3", dir / "A/a.mp3", dir / "A/A1/a1.mp3", dir / "B/b.mp3"}));
    EXPECT_EQ(Numbers(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(status.Panels, (std::vector<std::string>{dir / "A/*.mp3", dir / "A/A1/*.mp3", dir / "B/*.mp3"}));
    EXPECT_EQ(list.FolderCounters.size(), 4u);
    EXPECT_EQ(host.ListVisibility, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.Caption, "Tagmora");
    EXPECT_EQ(host.AppTitle, "Tagmora    ");
    EXPECT_EQ(status.Log.front(), "status: Чтение папок...");
}

TEST_F(ScanTest, HiddenEntriesAndOtherExtensionsAreNotListedButTheMaskIgnoresCase) {
    dir.MakeDir(".hidden");
    File(".hidden/in-hidden.mp3");
    File(".dot.mp3");
    File("Song.MP3");
    File("song.mp3.bak");
    File("x.mp3x");
    dir.MakeDir("folder.mp3");  // a folder named like a file is no row
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(Texts(), (std::vector<std::string>{dir / "Song.MP3"}));
    // Every visible subfolder gets a number, even one without MP3 files.
    EXPECT_EQ(list.FolderCounters.size(), 2u);
}

TEST_F(ScanTest, FreshScanSortsByFileTextIgnoringLatinCase) {
    File("b.mp3");
    File("B2.mp3");
    File("a.mp3");
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(Texts(), (std::vector<std::string>{dir / "a.mp3", dir / "b.mp3", dir / "B2.mp3"}));
}

TEST_F(ScanTest, FlatScanStoresBareNamesAndRowsKeepTheirOwnFolder) {
    settings.IncludeSubDirs = false;
    dir.MakeDir("one");
    dir.MakeDir("two");
    File("one/same.mp3");
    File("two/same.mp3");
    File("one/sub.mp3");
    list.CurrentFolder = dir / "one";
    list.ScanFolder(list.CurrentFolder, false, false);
    EXPECT_EQ(host.Caption, "Tagmora - " + (dir / "one") + "/*.mp3");
    EXPECT_EQ(host.AppTitle, host.Caption + "    ");
    list.CurrentFolder = dir / "two";
    list.ScanFolder(list.CurrentFolder, true, false);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Rows()[0].FileText(), "same.mp3");
    // Each row resolves to its own file although both names are equal.
    EXPECT_EQ(list.RowPath(0), dir / "one/same.mp3");
    EXPECT_EQ(list.RowPath(2), dir / "two/same.mp3");
    EXPECT_EQ(list.Rows()[2].FolderNumber, 1);
    EXPECT_EQ(list.NewRowsFirst, 2);
    EXPECT_EQ(list.NewRowsLast, 2);
    // Changing the setting afterwards does not change where rows point.
    settings.IncludeSubDirs = true;
    EXPECT_EQ(list.RowPath(1), dir / "one/sub.mp3");
}

TEST_F(ScanTest, AppendedScansContinueNumberingAndListTheSameFolderTwice) {
    File("a.mp3");
    dir.MakeDir("empty");
    list.ScanFolder(dir.Path(), false, false);
    ASSERT_EQ(list.FolderCounters.size(), 2u);
    list.ScanFolder(dir.Path(), true, false);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Rows()[1].FolderNumber, 2);
    EXPECT_EQ(list.FolderCounters.size(), 4u);
    EXPECT_FALSE(list.AutoOrdering);
    list.RestoreAutoOrdering();
    EXPECT_TRUE(list.AutoOrdering);

    // A folder without MP3 files adds nothing: the new-rows range is empty.
    list.ScanFolder(dir / "empty", true, false);
    EXPECT_GT(list.NewRowsFirst, list.NewRowsLast);
    // A fresh scan discards rows and counters and restarts the numbering.
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Rows()[0].FolderNumber, 0);
    EXPECT_EQ(list.FolderCounters.size(), 2u);
}

TEST_F(ScanTest, MissingFolderGivesNoRows) {
    list.ScanFolder(dir / "nowhere", false, false);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.FolderCounters.size(), 1u);
}

TEST_F(ScanTest, LinkCyclesAreNotFollowed) {
    dir.MakeDir("a/b");
    File("a/b/x.mp3");
    ASSERT_EQ(::symlink((dir / "a").c_str(), (dir / "a/b/back").c_str()), 0);
    ASSERT_EQ(::symlink(dir.Path().c_str(), (dir / "a/b/top").c_str()), 0);
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(Texts(), (std::vector<std::string>{dir / "a/b/x.mp3"}));
}

TEST_F(ScanTest, LinkedFolderOutsideTheTreeIsWalkedOnce) {
    TempDir other;
    test::WriteFile(other / "o.mp3", test::SilentFrames(1));
    ASSERT_EQ(::symlink(other.Path().c_str(), (dir / "link").c_str()), 0);
    list.ScanFolder(dir.Path(), false, false);
    EXPECT_EQ(Texts(), (std::vector<std::string>{dir / "link/o.mp3"}));
}

// Every folder of the chain is reached through two links from the one before: walked once per
// scan, each file is listed once (not 2^12 times at the bottom).
TEST_F(ScanTest, AFolderReachedTwiceIsWalkedOnce) {
    constexpr int kLevels = 12;
    TempDir store;
    File("f0.mp3");
    for (int level = 0; level < kLevels; ++level) {
        const std::string from = level == 0 ? dir.Path() : store / ("d" + std::to_string(level));
        const std::string next = store.MakeDir("d" + std::to_string(level + 1));
        test::WriteFile(next + "/f" + std::to_string(level + 1) + ".mp3", test::SilentFrames(1));
        for (const char* name : {"/a", "/b"}) ASSERT_EQ(::symlink(next.c_str(), (from + name).c_str()), 0);
    }
    list.ScanFolder(dir.Path(), false, false);
    std::vector<std::string> names;
    for (const auto& text : Texts()) names.push_back(text.substr(text.rfind('/') + 1));
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected;
    for (int level = 0; level <= kLevels; ++level) expected.push_back("f" + std::to_string(level) + ".mp3");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(list.FolderCounters.size(), static_cast<std::size_t>(kLevels) + 1);
    // The first way in is the one walked: through "a" at every level.
    const std::vector<std::string> texts = Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), dir / "a/a/a/a/a/a/a/a/a/a/a/a/f12.mp3"), texts.end());
}

TEST_F(ScanTest, SiblingsAndNextPrevious) {
    for (const char* name : {"s1", "s2", "s3"}) dir.MakeDir(name);
    dir.MakeDir(".hidden-sibling");
    File("s3/x.mp3");
    list.CurrentFolder = dir / "s2";
    EXPECT_EQ(list.FindSiblingFolders(), 3);
    EXPECT_EQ(list.SiblingPosition, 1);
    NextDirCommand(list);
    EXPECT_EQ(list.CurrentFolder, dir / "s3");
    EXPECT_EQ(list.RowCount(), 1);
    NextDirCommand(list);  // at the last sibling: nothing
    EXPECT_EQ(list.CurrentFolder, dir / "s3");
    PreviousDirCommand(list);
    PreviousDirCommand(list);
    EXPECT_EQ(list.CurrentFolder, dir / "s1");
    EXPECT_EQ(list.SiblingPosition, 0);
    PreviousDirCommand(list);
    EXPECT_EQ(list.CurrentFolder, dir / "s1");
}

TEST_F(ScanTest, ChoosingAFolderWithoutSiblingsDisablesNextAndPrevious) {
    const std::string only = dir.MakeDir("parent/only");
    test::WriteFile(only + "/a.mp3", test::SilentFrames(1));
    host.PickerAnswer = only;
    settings.StartDir = dir / "parent";
    BrowseForFolderCommand(list);
    ASSERT_EQ(host.PickerCalls.size(), 1u);
    EXPECT_EQ(host.PickerCalls[0].first, "Выбор директории");
    EXPECT_EQ(host.PickerCalls[0].second, dir / "parent");  // StartDir while no folder is current
    EXPECT_FALSE(host.Enabled.at("NextDirMnu"));
    EXPECT_FALSE(host.Enabled.at("PreviousDirMnu"));
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(status.Log.back(), "total");

    // Cancelling changes nothing.
    host.PickerAnswer.reset();
    BrowseForFolderCommand(list);
    EXPECT_EQ(list.CurrentFolder, only);
    EXPECT_EQ(host.PickerCalls[1].second, only);
}

TEST_F(ScanTest, AddFolderCancelClearsAVanishedCurrentFolder) {
    list.CurrentFolder = dir / "gone";
    AddToListCommand(list);
    EXPECT_EQ(host.PickerCalls.at(0).first, "Добавление в список");
    EXPECT_TRUE(list.CurrentFolder.empty());
}

TEST_F(ScanTest, RereadWithoutCheckedRowsShowsTheMessageAndKeepsTheList) {
    File("a.mp3");
    list.ScanFolder(dir.Path(), false, false);
    RereadCommand(list);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_EQ(status.Log.back(), "status: Подождите...");
    EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(ScanTest, CommandLineFolders) {
    dir.MakeDir("one");
    dir.MakeDir("two");
    File("one/b.mp3");
    File("two/a.mp3");
    OpenCommandLineFolders(list, {});
    EXPECT_EQ(status.Log.back(), "status: Директория не выбрана.");
    OpenCommandLineFolders(list, {dir / "missing"});
    EXPECT_EQ(status.Log.back(), "status: Директория не выбрана.");
    EXPECT_EQ(list.RowCount(), 0);

    OpenCommandLineFolders(list, {dir / "one", dir / "two"});
    // Both folders, sorted as after a fresh scan.
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Rows()[0].FileText(), dir / "one/b.mp3");
    EXPECT_EQ(list.Rows()[1].FileText(), dir / "two/a.mp3");
    EXPECT_TRUE(list.AutoOrdering);
    EXPECT_TRUE(list.SiblingFolders.empty());

    settings.IncludeSubDirs = false;
    OpenCommandLineFolders(list, {dir / "two", dir / "one"});
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Rows()[0].FileText(), "a.mp3");
    EXPECT_TRUE(host.Enabled.at("NextDirMnu"));
}

TEST_F(ScanTest, RelativeCommandLineFolderFindsItsSiblings) {
    dir.MakeDir("s1");
    dir.MakeDir("s2");
    {
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
        struct Restore {
            std::filesystem::path path;
            ~Restore() { std::filesystem::current_path(path); }
        } restore{before};
        OpenCommandLineFolders(list, {"s1/"});
    }
    EXPECT_EQ(list.CurrentFolder, dir / "s1");
    EXPECT_EQ(list.SiblingFolders, (std::vector<std::string>{dir / "s1", dir / "s2"}));
    EXPECT_EQ(list.SiblingPosition, 0);
}

TEST_F(ScanTest, SortingIsStableAndFoldsOnlyLatinLetters) {
    auto row = [](std::string title, std::string file) {
        FileRow r;
        r.SetFileText(std::move(file));
        r.SetColumnText(ColTitle, std::move(title));
        return r;
    };
    list.Rows() = {row("b", "1"), row("Я", "2"), row("B", "3"), row("я", "4"), row("a", "5"), row("", "6")};
    list.SortByColumn(ColTitle);
    std::vector<std::string> order;
    for (const auto& r : list.Rows()) order.emplace_back(r.FileText());
    // "b" and "B" compare equal and keep their order; Cyrillic compares by code point.
    EXPECT_EQ(order, (std::vector<std::string>{"6", "5", "1", "3", "2", "4"}));
    EXPECT_EQ(status.Log, (std::vector<std::string>{"status: Подождите...", "status: Готово."}));
}

// SortRows orders by keys built once per row and falls back to CompareRows on equal keys: the order
// must be the one a stable sort with CompareRows alone gives, on texts that share a long prefix,
// differ in Latin case, past the sixteenth byte, in bytes 0, 1 and above 0x7F, or end early.
TEST_F(ScanTest, SortingByBuiltKeysKeepsTheOrderOfCompareRows) {
    using namespace std::string_literals;
    const std::vector<std::string> texts = {"/m/a",
                                            "/m/A",
                                            "/m/ab",
                                            "/m/a\0"s,
                                            "/m/a\x01",
                                            "/m/",
                                            "/m/abcdefghijklmnopq1",
                                            "/m/ABCDEFGHIJKLMNOPQ0",
                                            "/m/abcdefghijklmnoPq1",
                                            "/m/Я",
                                            "/m/я",
                                            "/m/_",
                                            "/m/[",
                                            "/m/@",
                                            "/m/Z`",
                                            "/m/~x",
                                            "/m/abcdefgh",
                                            "/m/abcdefg\xff",
                                            "/m/a",
                                            "/m/B",
                                            "/m/b",
                                            "/m/"};
    for (const int column : {ColFile, ColTitle}) {
        std::vector<FileRow> rows(texts.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rows[i].SetFileText(texts[i]);
            rows[i].SetColumnText(ColTitle, i % 4 == 0 ? "" : texts[(i * 7) % texts.size()]);
            rows[i].FolderNumber = static_cast<int>(i);
        }
        list.Rows() = rows;
        list.SortColumn = column;
        std::vector<int> expected(rows.size());
        for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<int>(i);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return list.CompareRows(rows[a], rows[b]) < 0; });
        list.SortRows();
        EXPECT_EQ(Numbers(), expected) << "column " << column;
        list.SortRows();  // rows in order already stay as they are
        EXPECT_EQ(Numbers(), expected) << "column " << column;
    }
}

// A row keeps its texts in one buffer and reads them through offsets: they stay right when the
// rows move (growth, removal, sorting) or are copied, for rows of over 64 KiB of texts and for a
// FileText read from the path too, and a change of one column (or of the path), even to a text of
// the row itself, leaves the others as they were.
TEST(FileRowTest, TextsStayRightWhenRowsMoveAndChange) {
    const auto title = [](int n) { return std::string(n % 3 == 0 ? 40 : 2, static_cast<char>('a' + n % 26)); };
    std::vector<FileRow> rows;
    for (int n = 0; n < 50; ++n) {
        FileRow& row = rows.emplace_back();
        if (n % 2 == 0) row.SetPath("/music/" + std::to_string(n));  // FileText read from the path's end
        row.SetFileText(std::to_string(n));
        row.SetColumnText(ColTitle, title(n));
        row.SetColumnText(ColTIT1, std::to_string(n));                       // the last text column
        if (n == 7) row.SetColumnText(ColComment, std::string(70000, 'w'));  // over 64 KiB of texts
    }
    rows.erase(rows.begin() + 10, rows.begin() + 20);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FileRow& a, const FileRow& b) { return a.FileText().size() > b.FileText().size(); });
    // Row 0 ("20") set from views of its own texts: its FileText from its last column, its Title
    // from its Artist, the others empty.
    rows[0].SetColumnText(ColArtist, rows[0].ColumnText(ColTitle));
    rows[0].SetColumnTexts({rows[0].ColumnText(ColTIT1), rows[0].ColumnText(ColArtist)});
    rows = std::vector<FileRow>(rows);  // copies
    rows[2].SetPath("/elsewhere");      // keeps its FileText, read from its old path until now
    ASSERT_EQ(rows.size(), 40u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int n = std::stoi(std::string(rows[i].FileText()));
        EXPECT_TRUE(n < 10 || n >= 20) << n;
        EXPECT_EQ(rows[i].Path(), i == 2 ? "/elsewhere" : n % 2 == 0 ? "/music/" + std::to_string(n) : "") << n;
        EXPECT_EQ(rows[i].ColumnText(ColTitle), title(n)) << n;
        EXPECT_EQ(rows[i].ColumnText(ColTIT1), i == 0 ? "" : std::to_string(n)) << n;
        EXPECT_EQ(rows[i].ColumnText(ColComment), n == 7 ? std::string(70000, 'w') : "") << n;
        for (int c : {ColAlbum, ColArtist, ColFileSize}) EXPECT_EQ(rows[i].ColumnText(c), "") << n << " " << c;
    }
}

}  // namespace
}  // namespace tagmora
