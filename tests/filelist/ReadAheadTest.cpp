// Reading ahead of row filling: rows, progress and error boxes exactly as when each file is read
// in turn, for every kind of file and read sequence; files changing between fetch and fill; checks
// changed during the pass; the tag budget; a cancel or an error ending the pool cleanly.
#include "filelist/ReadAhead.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "AccessOverride.h"
#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/BuildList.h"
#include "tags/Id3v2Read.h"

namespace tagmora {
namespace {

using test::TempDir;

std::string V2Text(int version, const char* id, std::string_view value, std::uint8_t encoding = 0) {
    return test::Id3v2Frame(version, id, test::TextContent(encoding, value));
}

std::string V23Tag(std::string_view title, std::size_t padding = 0) {
    return test::Id3v2TagBytes(3, V2Text(3, "TIT2", title) + V2Text(3, "TPE1", "Artist") + V2Text(3, "TRCK", "7"),
                               padding);
}

// Every kind of file the read tests use, by name.
std::vector<std::pair<std::string, std::string>> EveryKindOfFile() {
    const std::string audio = test::SilentFrames();
    const std::string v1 = test::Id3v1Bytes("Title1", "Artist1", "Album1", "1999", "c1", 3, 255);
    const std::string v22 = test::Id3v2TagBytes(2, V2Text(2, "TT2", "Title22") + V2Text(2, "TCO", "(17)Rock"));
    const std::string v24 = test::Id3v2TagWithFooter(V2Text(4, "TIT2", "Title24", 3) + V2Text(4, "TCON", "Pop", 3));
    const std::string utf16 = test::Id3v2TagBytes(3, V2Text(3, "TIT2", std::string("\xFF\xFE\x1F\x04\x35\x04", 6), 1));
    const std::string unsync =
        test::Id3v2TagBytes(3, test::UnsynchronisedBytes(V2Text(3, "TIT2", "\xFF\xE0 sync")), 0, 0x80);
    // A tag larger than the head block: a picture first, the title after it.
    const std::string big = test::Id3v2TagBytes(
        3, test::Id3v2Frame(3, "APIC", std::string(20000, 'p')) + V2Text(3, "TIT2", "After picture"));
    // A header announcing more than the file holds, with a full head block.
    const std::string cut = V23Tag("Cut", 9000).substr(0, 5000);
    return {
        {"v23+v1.mp3", V23Tag("Both") + audio + v1},
        {"v23.mp3", V23Tag("Only v2", 64) + audio},
        {"v22.mp3", v22 + audio},
        {"v24 footer+v1.mp3", v24 + audio + v1},
        {"utf16.mp3", utf16 + audio},
        {"unsync.mp3", unsync + audio},
        {"big+v1.mp3", big + audio + v1},
        {"cut.mp3", cut},
        {"v1.mp3", audio + v1},
        {"no tag.mp3", audio},
        {"empty.mp3", ""},
        {"tiny.mp3", "ID3\x03"},
        {"127.mp3", std::string(127, 'x')},
        {"tag only v1.mp3", v1},
        {"unreadable.mp3", V23Tag("Unreadable") + audio + v1},
        {"vanished.mp3", V23Tag("Vanished") + audio},
        {"too long.mp3", V23Tag("Too long")},
    };
}

// A host whose message box can end the pass by throwing, as an uncaught error would.
class TestHost : public test::FakeHost {
public:
    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        if (ThrowOnMessage) throw std::runtime_error("window closed");
        return FakeHost::ShowMessage(text, caption, icon, buttons);
    }
    bool ThrowOnMessage = false;
};

// Everything a pass shows: each row's texts and check box, and in order each progress step
// with the error boxes shown up to it, and the boxes' texts.
struct PassView {
    std::vector<std::pair<std::array<std::string, kColumnCount>, bool>> Rows;
    std::vector<std::string> Steps;
    std::vector<std::string> Boxes;
    bool operator==(const PassView&) const = default;
};

void PrintTo(const PassView& view, std::ostream* out) {
    for (const auto& [texts, checked] : view.Rows)
        *out << "\n  " << texts[ColTitle] << " | " << texts[ColId3v] << " | " << texts[ColFileSize] << " | " << checked;
    *out << "\n  steps " << view.Steps.size() << ", boxes " << view.Boxes.size();
}

class ReadAheadTest : public ::testing::Test {
protected:
    ReadAheadTest() : list(settings, status, host) {
        settings.IncludeSubDirs = true;
        settings.TagCodePage = 1251;
        host.OnProcessEvents = [this] {
            if (!recording) return;  // the scans process events too
            steps.push_back(status.Progress.back().first + " | boxes " + std::to_string(host.Messages.size()));
            if (onRow) onRow(static_cast<int>(steps.size()) - 1);
        };
    }

    // Writes every kind of file three times over (three folders), scans them and turns the
    // special kinds into what they stand for. Returns the number of files that cannot be opened.
    int MakeTree() {
        int failing = 0;
        for (const char* folder : {"a", "b", "b/c"}) {
            dir.MakeDir(folder);
            for (const auto& [name, bytes] : EveryKindOfFile()) test::WriteFile(dir / folder + "/" + name, bytes);
            dir.MakeDir(std::string(folder) + "/folder.mp3");
            ::mkfifo((dir / folder + "/fifo.mp3").c_str(), 0600);
        }
        list.ScanFolder(dir.Path(), false, false);
        for (FileRow& row : list.Rows()) {
            if (row.Path().ends_with("/unreadable.mp3")) {
                ::chmod(row.Path().c_str(), 0);
                ++failing;
            } else if (row.Path().ends_with("/vanished.mp3")) {
                std::remove(row.Path().c_str());
            } else if (row.Path().ends_with("/too long.mp3")) {
                // A name too long for the file system cannot be opened although its row exists.
                row.SetPath(row.Path().substr(0, row.Path().size() - 12) + std::string(300, 'x') + ".mp3");
                ++failing;
            }
        }
        return failing;
    }

    // Runs a pass over rows made stale first; `threads` 0 reads each file in turn.
    PassView Run(int threads, int window, bool onlyChecked = false, bool adaptive = false) {
        for (FileRow& row : list.Rows()) {
            for (int c = 1; c < kColumnCount; ++c) row.SetColumnText(c, "stale");
        }
        steps.clear();
        status.Progress.clear();
        host.Messages.clear();
        recording = true;
        BuildList(list, onlyChecked, false, {threads, window, adaptive});
        recording = false;
        PassView view;
        for (const FileRow& row : list.Rows()) {
            std::array<std::string, kColumnCount> texts;
            for (int c = 1; c < kColumnCount; ++c) texts[static_cast<std::size_t>(c)] = row.ColumnText(c);
            view.Rows.emplace_back(texts, row.Checked);
        }
        view.Steps = steps;
        for (const auto& box : host.Messages) view.Boxes.push_back(box.Text);
        return view;
    }

    const FileRow* RowNamed(std::string_view suffix) const {
        for (const FileRow& row : list.Rows())
            if (row.Path().ends_with(suffix)) return &row;
        return nullptr;
    }

    TempDir dir;
    AppSettings settings;
    test::RecordingStatus status;
    TestHost host;
    FileList list;
    std::vector<std::string> steps;
    std::function<void(int row)> onRow;
    bool recording = false;
};

// Pools reading ahead from the first row, and one that does so only for files not in memory.
struct PoolShape {
    int threads, window;
    bool adaptive;
};
constexpr PoolShape kShapes[] = {{1, 1, false}, {4, 5, false}, {16, 256, false}, {16, 256, true}};

TEST_F(ReadAheadTest, EveryKindOfFileFillsAsWhenReadInTurn) {
    // Root opens files without read permission; the comparison runs without that override.
    const int result = test::RunWithoutAccessOverride([this] {
        const int failing = MakeTree();
        for (int sequence = 0; sequence <= 3; ++sequence) {
            SCOPED_TRACE(sequence);
            settings.TAGReadSequence = sequence;
            const PassView inTurn = Run(0, 0);
            EXPECT_EQ(inTurn.Boxes.size(), static_cast<std::size_t>(failing));
            EXPECT_EQ(inTurn.Steps.size(), list.Rows().size());
            if (sequence == 1 || sequence == 2) {
                EXPECT_EQ(RowNamed("a/big+v1.mp3")->ColumnText(ColTitle), "After picture");
            }
            for (const PoolShape shape : kShapes) {
                SCOPED_TRACE(shape.threads);
                EXPECT_EQ(Run(shape.threads, shape.window, false, shape.adaptive), inTurn);
            }
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
}

// A version 2.3 tag is fetched without its pictures' bytes, and parses to what the whole tag gives:
// pictures first, between the fields, cut by the file's end, compressed frames after them; a
// version 2.4 tag is read whole. A field longer than the head block grows the fetched bytes.
TEST(FetchFileTest, PicturesAreLeftOutOfTheFetch) {
    const std::string picture = test::Id3v2Frame(3, "APIC", "\0image/png\0\x03\0" + std::string(30000, 'p'));
    const std::string title = V2Text(3, "TIT2", "Title"), artist = V2Text(3, "TPE1", "Artist");
    const std::string packed = test::Id3v2Frame(
        3, "TALB", std::string("\0\0\0\x06\x78\x9c\x63\x70\xcc\x49\x2a\xcd\x05\x00\x05\x78\x01\xf2", 18), 0x80);
    const struct {
        std::string name, bytes;
        bool leftOut;
    } kTags[] = {
        {"first", test::Id3v2TagBytes(3, picture + title + artist, 500), true},
        {"between", test::Id3v2TagBytes(3, title + picture + packed + picture + artist), true},
        {"cut", test::Id3v2TagBytes(3, title + picture + artist).substr(0, 20000), true},
        {"long", test::Id3v2TagBytes(3, title + picture + V2Text(3, "TPE1", std::string(9000, 'a'))), true},
        {"v24",
         test::Id3v2TagBytes(4, V2Text(4, "TIT2", "Title") + test::Id3v2Frame(4, "APIC", std::string(20000, 'p'))),
         false},
    };
    TempDir dir;
    for (const auto& tag : kTags) {
        SCOPED_TRACE(tag.name);
        const std::string path = dir / tag.name;
        test::WriteFile(path, tag.bytes + test::SilentFrames());
        FetchedFile fetched = FetchFile(path, 1);
        EXPECT_EQ(fetched.Head.size() < 10000, tag.leftOut);
        ParseFetched(fetched, 1252);
        Id3v2Tag whole;
        ASSERT_EQ(ReadId3v2Tag(path, whole, 1252), TagRead::Found);
        EXPECT_EQ(fetched.V2, whole);
        EXPECT_EQ(whole.Title, "Title");
        EXPECT_EQ(whole.Album, tag.name == "between" ? "Album" : "");
    }
}

TEST_F(ReadAheadTest, AFileChangedBetweenFetchAndFillShowsOneStateOfIt) {
    settings.TAGReadSequence = 3;
    for (int i = 0; i < 40; ++i) test::WriteFile(dir / ("f" + std::to_string(100 + i) + ".mp3"), V23Tag("Old"));
    list.ScanFolder(dir.Path(), false, false);
    std::sort(list.Rows().begin(), list.Rows().end(),
              [](const FileRow& a, const FileRow& b) { return a.Path() < b.Path(); });
    const std::string changed = list.Rows()[20].Path();
    const std::string vanished = list.Rows()[21].Path();
    // The new content replaces the file in one step, so that a read sees the old file or the new one.
    const auto change = [&] {
        test::WriteFile(dir / "new", test::SilentFrames(5) + test::Id3v1Bytes("New", "", "", "", "", 1, 1));
        std::rename((dir / "new").c_str(), changed.c_str());
        std::remove(vanished.c_str());
    };
    const PassView before = Run(0, 0);
    change();
    const PassView after = Run(0, 0);
    ASSERT_NE(before.Rows[20], after.Rows[20]);
    ASSERT_NE(before.Rows[21], after.Rows[21]);
    for (int changeAt : {0, 19, 20}) {
        SCOPED_TRACE(changeAt);
        test::WriteFile(changed, V23Tag("Old"));
        test::WriteFile(vanished, V23Tag("Old"));
        onRow = [&](int row) {
            if (row == changeAt) change();
        };
        const PassView ahead = Run(4, 256);
        for (int row : {20, 21}) {
            EXPECT_TRUE(ahead.Rows[row] == before.Rows[row] || ahead.Rows[row] == after.Rows[row]) << row;
        }
        EXPECT_EQ(ahead.Rows[0], before.Rows[0]);
    }
}

TEST_F(ReadAheadTest, ChecksChangedDuringThePassDecideAsWhenReadInTurn) {
    settings.TAGReadSequence = 2;
    for (int i = 0; i < 30; ++i) test::WriteFile(dir / ("f" + std::to_string(100 + i) + ".mp3"), V23Tag("T"));
    list.ScanFolder(dir.Path(), false, false);
    // Rows ahead are checked and unchecked while the pass runs.
    onRow = [this](int step) { list.Rows()[static_cast<std::size_t>((step * 7 + 3) % 30)].Checked ^= true; };
    const auto setChecks = [this] {
        for (std::size_t i = 0; i < list.Rows().size(); ++i) list.Rows()[i].Checked = i % 3 != 0;
    };
    setChecks();
    const PassView inTurn = Run(0, 0, true);
    for (const PoolShape shape : kShapes) {
        setChecks();
        EXPECT_EQ(Run(shape.threads, shape.window, true, shape.adaptive), inTurn) << shape.threads;
    }
}

TEST_F(ReadAheadTest, ATagAboveTheBudgetIsReadWhenItsRowIsFilled) {
    settings.TAGReadSequence = 1;
    test::WriteFile(dir / "big.mp3", test::Id3v2TagBytes(3, test::Id3v2Frame(3, "APIC", std::string(9000, 'p')) +
                                                                V2Text(3, "TIT2", "Big")));
    list.ScanFolder(dir.Path(), false, false);
    ReadAheadPool pool(2, 4096);
    pool.Submit(list.Rows()[0].Path(), 1, 1251);
    pool.StartSubmitted();
    FetchedFile fetched = pool.TakeNext();
    EXPECT_TRUE(fetched.Deferred);
    EXPECT_TRUE(fetched.Head.empty());
    FillRowFromFetched(list, 0, std::move(fetched));
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), "Big");
}

TEST_F(ReadAheadTest, BytesParsedForAnotherCodePageAreParsedAgain) {
    settings.TAGReadSequence = 0;
    test::WriteFile(dir / "a.mp3",
                    test::SilentFrames() + test::Id3v1Bytes("\xCF\xE5\xF1\xED\xFF", "", "", "", "", 1, 1));
    list.ScanFolder(dir.Path(), false, false);
    ReadRowTags(list, 0);
    const std::string inTurn(list.Rows()[0].ColumnText(ColTitle));
    ASSERT_EQ(inTurn, "Песня");
    ReadAheadPool pool(1, 0);
    pool.Submit(list.Rows()[0].Path(), 0, 1252);
    pool.StartSubmitted();
    FetchedFile fetched = pool.TakeNext();
    ASSERT_TRUE(fetched.Parsed);
    EXPECT_NE(fetched.V1.Title, inTurn);
    FillRowFromFetched(list, 0, std::move(fetched));
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), inTurn);
}

int CountEntries(const char* folder) {
    int count = 0;
    if (DIR* d = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(d)) count += entry->d_name[0] != '.';
        ::closedir(d);
    }
    return count;
}
// The listing's own descriptor is not counted.
int OpenDescriptors() { return CountEntries("/proc/self/fd") - 1; }
int Threads() { return CountEntries("/proc/self/task"); }

TEST_F(ReadAheadTest, ACancelOrAnErrorInThePassEndsThePoolCleanly) {
    settings.TAGReadSequence = 2;
    for (int i = 0; i < 600; ++i) test::WriteFile(dir / ("f" + std::to_string(1000 + i) + ".mp3"), V23Tag("T"));
    const int descriptors = OpenDescriptors();
    const int threads = Threads();
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel);
        // A cancel is for good: each case has a list of its own.
        FileList pass(settings, status, host);
        pass.ScanFolder(dir.Path(), false, false);
        auto& rows = pass.Rows();
        std::sort(rows.begin(), rows.end(), [](const FileRow& a, const FileRow& b) { return a.Path() < b.Path(); });
        // An unopenable file, whose box the host answers by throwing when the pass is not cancelled.
        rows[300].SetPath(dir / std::string(300, 'x'));
        int mostThreads = 0;
        onRow = [&](int row) {
            mostThreads = std::max(mostThreads, Threads());
            if (cancel && row == 100) pass.RequestCancel();
        };
        steps.clear();
        status.Log.clear();
        recording = true;
        if (cancel) {
            BuildList(pass, false, false, {16, 256, false});
            EXPECT_EQ(steps.size(), 101u);
            EXPECT_TRUE(rows[101].ColumnText(ColTitle).empty());
            EXPECT_EQ(status.Log.back(), "total");
        } else {
            host.ThrowOnMessage = true;
            EXPECT_THROW(BuildList(pass, false, false, {16, 256, false}), std::runtime_error);
            host.ThrowOnMessage = false;
            EXPECT_EQ(steps.size(), 300u);
        }
        recording = false;
        EXPECT_EQ(rows[99].ColumnText(ColTitle), "T");
        EXPECT_GT(mostThreads, threads);  // the pool did run
        EXPECT_EQ(Threads(), threads);
        EXPECT_EQ(OpenDescriptors(), descriptors);
    }
}

TEST(ReadAheadThreadsTest, ShortPassesReadInTurn) {
    EXPECT_EQ(ReadAheadThreads(10), 0);
    EXPECT_GT(ReadAheadThreads(10000), 0);
}

// Drops a file from the page cache once its data is on the disk.
void Evict(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

TEST_F(ReadAheadTest, ThreadsReadAheadOnlyWhileFilesAreNotInMemory) {
    settings.TAGReadSequence = 2;
    for (int i = 0; i < 200; ++i) test::WriteFile(dir / ("f" + std::to_string(1000 + i) + ".mp3"), V23Tag("T"));
    list.ScanFolder(dir.Path(), false, false);
    const std::string& path = list.Rows()[0].Path();
    if (FetchFile(path, 2).WouldBlock) GTEST_SKIP() << "this file system cannot tell whether data is in memory";
    Evict(path);
    if (!FetchFile(path, 2).WouldBlock) GTEST_SKIP() << "this file system keeps the files in memory";

    const int threads = Threads();
    int mostThreads = 0;
    onRow = [&](int) { mostThreads = std::max(mostThreads, Threads()); };
    const PassView warm = Run(16, 256, false, true);
    EXPECT_EQ(mostThreads, threads);
    for (const FileRow& row : list.Rows()) Evict(row.Path());
    EXPECT_EQ(Run(16, 256, false, true), warm);
    EXPECT_GT(mostThreads, threads);
    EXPECT_EQ(Threads(), threads);
}

}  // namespace
}  // namespace tagmora
