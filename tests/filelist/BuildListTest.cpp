// Row filling: which tag fills a row for each read sequence, the column texts, sizes,
// track padding, the pass's range, status and progress.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/BuildList.h"
#include "filelist/FolderCommands.h"

namespace tagmora {
namespace {

using test::TempDir;

std::string V2Text(const char* id, std::string_view value) {
    return test::Id3v2Frame(3, id, test::TextContent(0, value));
}

class BuildListTest : public ::testing::Test {
protected:
    BuildListTest() : list(settings, status, host) {
        settings.IncludeSubDirs = true;
        settings.TAGReadSequence = 2;
        settings.TagCodePage = 1251;
    }
    // Scans the folder (sorted by name) and reads every row.
    void ScanAndBuild() {
        list.CurrentFolder = dir.Path();
        list.ScanFolder(dir.Path(), false, false);
        BuildList(list, false, false);
    }
    const FileRow& Row(int i) const { return list.Rows().at(static_cast<std::size_t>(i)); }

    TempDir dir;
    AppSettings settings;
    test::RecordingStatus status;
    test::FakeHost host;
    FileList list;
};

const std::string kV2Tag = test::Id3v2TagBytes(
    3,
    V2Text("TIT2", "Title2") + V2Text("TPE1", "Artist2") + V2Text("TCON", "(17)Rock") +
        test::Id3v2Frame(3, "COMM", std::string("\0eng", 4) + "Owner" + std::string(1, '\0') + "Remark") +
        V2Text("TRCK", "7"),
    64);
const std::string kV1Tag = test::Id3v1Bytes("Title1", "Artist1", "Album1", "1999", "c1", 0, 255);

TEST_F(BuildListTest, EachReadSequencePicksItsTag) {
    test::WriteFile(dir / "both.mp3", kV2Tag + test::SilentFrames() + kV1Tag);
    test::WriteFile(dir / "v2only.mp3", kV2Tag + test::SilentFrames());
    struct Case {
        int sequence;
        std::string bothId, v2OnlyId;
    };
    for (const Case& c : {Case{0, "1", "0"}, Case{1, "2", "2"}, Case{2, "2", "2"}, Case{3, "1", "2"}}) {
        SCOPED_TRACE(c.sequence);
        settings.TAGReadSequence = c.sequence;
        ScanAndBuild();
        EXPECT_EQ(Row(0).ColumnText(ColId3v), c.bothId);
        EXPECT_EQ(Row(1).ColumnText(ColId3v), c.v2OnlyId);
        EXPECT_EQ(Row(1).Checked, c.v2OnlyId != "0");
    }
}

TEST_F(BuildListTest, Id3v1RowTexts) {
    settings.TAGReadSequence = 0;
    test::WriteFile(dir / "a.mp3", test::SilentFrames() + kV1Tag);
    ScanAndBuild();
    const FileRow& row = Row(0);
    EXPECT_EQ(row.ColumnText(ColTitle), "Title1");
    EXPECT_EQ(row.ColumnText(ColAlbum), "Album1");
    EXPECT_EQ(row.ColumnText(ColArtist), "Artist1");
    EXPECT_EQ(row.ColumnText(ColYear), "1999");
    EXPECT_EQ(row.ColumnText(ColTrack), "0");      // track byte 0
    EXPECT_EQ(row.ColumnText(ColGenre), "Other");  // genre byte 255
    EXPECT_EQ(row.ColumnText(ColComment), "c1");
    EXPECT_EQ(row.ColumnText(ColId3v), "1");
    EXPECT_TRUE(row.ColumnText(ColComposer).empty());
    EXPECT_EQ(row.ColumnText(ColFileSize), "1 379");  // 3 frames of 417 bytes and the tag
    EXPECT_TRUE(row.Checked);
}

TEST_F(BuildListTest, Id3v2RowTexts) {
    settings.TAGReadSequence = 1;
    test::WriteFile(dir / "a.mp3", kV2Tag + test::SilentFrames());
    ScanAndBuild();
    const FileRow& row = Row(0);
    EXPECT_EQ(row.ColumnText(ColTitle), "Title2");
    EXPECT_EQ(row.ColumnText(ColArtist), "Artist2");
    EXPECT_EQ(row.ColumnText(ColGenre), "Rock");
    EXPECT_EQ(row.ColumnText(ColComment), "Remark");
    EXPECT_EQ(row.ColumnText(ColTagOwner), "Owner");  // without the language letters
    EXPECT_EQ(row.ColumnText(ColTrack), "7");
    EXPECT_EQ(row.ColumnText(ColId3v), "2");
}

TEST_F(BuildListTest, GenreTextsOfId3v2) {
    settings.TAGReadSequence = 1;
    test::WriteFile(dir / "a.mp3", test::Id3v2TagBytes(3, V2Text("TCON", "(13)")) + test::SilentFrames());
    test::WriteFile(dir / "b.mp3", test::Id3v2TagBytes(3, V2Text("TCON", "Pop")) + test::SilentFrames());
    ScanAndBuild();
    EXPECT_EQ(Row(0).ColumnText(ColGenre), "");
    EXPECT_EQ(Row(1).ColumnText(ColGenre), "Pop");
}

TEST_F(BuildListTest, NoTagRowsAreUncheckedAndOverwriteEarlierTexts) {
    settings.TAGReadSequence = 0;
    test::WriteFile(dir / "a.mp3", std::string(1000000 - 128, 'x') + kV1Tag);
    ScanAndBuild();
    ASSERT_EQ(Row(0).ColumnText(ColFileSize), "1 000 000");
    test::WriteFile(dir / "a.mp3", std::string(100000, 'x'));
    BuildList(list, false, false);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Пусто");
    EXPECT_EQ(Row(0).ColumnText(ColId3v), "0");
    EXPECT_TRUE(Row(0).ColumnText(ColArtist).empty());
    EXPECT_EQ(Row(0).ColumnText(ColFileSize), " 100 000");
    EXPECT_FALSE(Row(0).Checked);
}

TEST_F(BuildListTest, VanishedAndUnreadableFilesDoNotStopThePass) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    test::WriteFile(dir / "b.mp3", kV2Tag);
    test::WriteFile(dir / "c.mp3", kV2Tag);
    list.ScanFolder(dir.Path(), false, false);
    std::remove((dir / "a.mp3").c_str());
    // An entry that can be listed but not read as a file: replace b.mp3 by a folder.
    std::remove((dir / "b.mp3").c_str());
    dir.MakeDir("b.mp3");
    BuildList(list, false, false);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Пусто");
    EXPECT_EQ(Row(0).ColumnText(ColFileSize), "");  // vanished: no size to show
    EXPECT_EQ(Row(1).ColumnText(ColTitle), "Пусто");
    EXPECT_EQ(Row(1).ColumnText(ColFileSize), "");
    EXPECT_EQ(Row(2).ColumnText(ColTitle), "Title2");
    EXPECT_EQ(status.Log.back(), "total");
    EXPECT_TRUE(host.Messages.empty());  // neither a vanished file nor a folder is an error to show
}

TEST_F(BuildListTest, AFifoInAFilesPlaceDoesNotHangThePass) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    test::WriteFile(dir / "b.mp3", kV2Tag);
    list.ScanFolder(dir.Path(), false, false);
    std::remove((dir / "a.mp3").c_str());
    ASSERT_EQ(::mkfifo((dir / "a.mp3").c_str(), 0600), 0);
    BuildList(list, false, false);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Пусто");
    EXPECT_EQ(Row(0).ColumnText(ColFileSize), "");
    EXPECT_EQ(Row(1).ColumnText(ColTitle), "Title2");
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(BuildListTest, AnUnopenableFileIsReportedInEveryReadSequence) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    list.ScanFolder(dir.Path(), false, false);
    // A name that is too long for the file system cannot be opened although the row exists.
    list.Rows()[0].SetPath(dir / std::string(300, 'x') + ".mp3");
    for (int sequence = 0; sequence <= 3; ++sequence) {
        settings.TAGReadSequence = sequence;
        host.Messages.clear();
        BuildList(list, false, false);
        ASSERT_EQ(host.Messages.size(), 1u) << sequence;
        EXPECT_EQ(host.Messages[0].Caption, "Tagmora - ошибка при выполнении операции");
        EXPECT_EQ(host.Messages[0].Text.rfind("Код ошибки - 36 при открытии файла \n", 0), 0u);
        EXPECT_EQ(Row(0).ColumnText(ColTitle), "Пусто");
    }
}

TEST_F(BuildListTest, GroupThousands) {
    EXPECT_EQ(GroupThousands("1234567"), "1 234 567");
    EXPECT_EQ(GroupThousands("123456"), " 123 456");
    EXPECT_EQ(GroupThousands("999"), " 999");
    EXPECT_EQ(GroupThousands("12"), "12");
    EXPECT_EQ(GroupThousands("0"), "0");
    EXPECT_EQ(GroupThousands(""), "");
}

TEST_F(BuildListTest, TrackPadding) {
    auto run = [&](std::vector<std::string> tracks) {
        list.Rows().clear();
        for (auto& t : tracks) {
            FileRow row;
            row.SetColumnText(ColTrack, t);
            list.Rows().push_back(row);
        }
        PadTrackNumbers(list);
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) out.emplace_back(row.ColumnText(ColTrack));
        return out;
    };
    EXPECT_EQ(run({"3", "7", "10"}), (std::vector<std::string>{"03", "07", "10"}));
    EXPECT_EQ(run({"1", "120"}), (std::vector<std::string>{"1", "120"}));
    EXPECT_EQ(run({"", "5"}), (std::vector<std::string>{"0", "5"}));
    EXPECT_EQ(run({"5", "6"}), (std::vector<std::string>{"5", "6"}));
    EXPECT_EQ(run({}), (std::vector<std::string>{}));
}

TEST_F(BuildListTest, RereadingCheckedRowsSkipsTheOthers) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    test::WriteFile(dir / "b.mp3", kV2Tag);
    test::WriteFile(dir / "c.mp3", kV2Tag);
    ScanAndBuild();
    list.Rows()[0].Checked = false;
    list.Rows()[0].SetColumnText(ColTitle, "kept");
    test::WriteFile(dir / "b.mp3", test::SilentFrames());  // its tag is gone
    status.Progress.clear();
    BuildList(list, true, false);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "kept");
    EXPECT_FALSE(Row(0).Checked);
    EXPECT_FALSE(Row(1).Checked);  // turned out to have no tag
    EXPECT_TRUE(Row(2).Checked);
    ASSERT_EQ(status.Progress.size(), 2u);
    EXPECT_DOUBLE_EQ(status.Progress[0].second, 50.0);
    EXPECT_EQ(status.Progress[1].first, dir / "c.mp3");
    EXPECT_DOUBLE_EQ(status.Progress[1].second, 100.0);
}

TEST_F(BuildListTest, RereadCommandsOfTheMenu) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    test::WriteFile(dir / "b.mp3", kV2Tag);
    ScanAndBuild();
    list.Rows()[1].Checked = false;
    const std::string retitled = test::Id3v2TagBytes(3, V2Text("TIT2", "New"));
    test::WriteFile(dir / "a.mp3", retitled);
    test::WriteFile(dir / "b.mp3", retitled);
    // The checked rows only: b.mp3 keeps its old texts.
    RereadSelectedCommand(list);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "New");
    EXPECT_EQ(Row(1).ColumnText(ColTitle), "Title2");
    // The whole list, without a scan: a new file is not listed.
    test::WriteFile(dir / "c.mp3", kV2Tag);
    RereadListCommand(list);
    EXPECT_EQ(Row(1).ColumnText(ColTitle), "New");
    EXPECT_EQ(list.RowCount(), 2);
    // The last folder again, scanned afresh.
    RereadCommand(list);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(BuildListTest, AppendedPassReadsOnlyNewRowsThenSortsOnce) {
    dir.MakeDir("one");
    dir.MakeDir("two");
    test::WriteFile(dir / "one/x.mp3", test::Id3v2TagBytes(3, V2Text("TIT2", "Zeta")));
    test::WriteFile(dir / "two/y.mp3", test::Id3v2TagBytes(3, V2Text("TIT2", "Alpha")));
    list.ScanFolder(dir / "one", false, false);
    BuildList(list, false, false);
    list.SortByColumn(ColTitle);
    list.Rows()[0].SetColumnText(ColComment, "not re-read");
    list.ScanFolder(dir / "two", true, false);
    status.Log.clear();
    BuildList(list, false, true);
    EXPECT_EQ(status.Log.front(), "status: Обновление списка...");
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Alpha");
    EXPECT_EQ(Row(1).ColumnText(ColComment), "not re-read");
    EXPECT_TRUE(list.AutoOrdering);
}

TEST_F(BuildListTest, PassEndsWithFittingTitleAndTotal) {
    settings.ResizeTabHeaders = true;
    ScanAndBuild();  // an empty list
    EXPECT_EQ(status.Log, (std::vector<std::string>{"status: Чтение папок...", "status: Создание списка...",
                                                    "status: Подгонка столбцов...", "total"}));
    EXPECT_TRUE(status.Progress.empty());
    EXPECT_EQ(host.FitCalls, 1);
    EXPECT_TRUE(host.TitleScrolling);
}

TEST_F(BuildListTest, OtherSequenceValuesLeaveRowsAlone) {
    test::WriteFile(dir / "a.mp3", kV2Tag);
    settings.TAGReadSequence = 7;
    ScanAndBuild();
    EXPECT_TRUE(Row(0).ColumnText(ColTitle).empty());
    EXPECT_TRUE(Row(0).ColumnText(ColId3v).empty());
}

TEST_F(BuildListTest, CyrillicLegacyTextFollowsTheCodePage) {
    settings.TAGReadSequence = 0;
    // "Привет" in Windows-1251.
    test::WriteFile(dir / "a.mp3", test::Id3v1Bytes("\xCF\xF0\xE8\xE2\xE5\xF2", "", "", "", "", 1, 17));
    ScanAndBuild();
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Привет");
    settings.TagCodePage = 1252;
    BuildList(list, false, false);
    EXPECT_EQ(Row(0).ColumnText(ColTitle), "Ïðèâåò");
}

}  // namespace
}  // namespace tagmora
