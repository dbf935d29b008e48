// The batch tag write driver: the dialog request, every field's source and cut in both versions,
// the keywords, track numbering with a read-only file in the middle, the Keep rule of ID3v2, the
// ID3v1 number conversions, cancel, Abort, the summary box; with a recording engine and with the
// real ID3v1 writer on real files.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "WriteTagsFixture.h"
#include "common/Messages.h"
#include "common/Text.h"
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"
#include "tags/Id3v2Write.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora {
namespace {

using Strings = std::vector<std::string>;

class TagWriteBatchTest : public test::WriteTagsFixture {
protected:
    TagWriteBatchResult Run(int mode, const std::optional<WriteTagsAnswer>& answer) {
        dialog.Answer = answer;
        return TagWriteBatch(list, mode, dialog, engine.Engine());
    }
};

TEST_F(TagWriteBatchTest, NoCheckedRowAndCancelWriteNothing) {
    Song("a.mp3", "One");
    Scan();
    CheckOnly({});
    EXPECT_FALSE(Run(1, KeepAll(1)).Confirmed);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, kNoCheckedFiles);
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_TRUE(dialog.Requests.empty());

    CheckOnly({0});
    const TagWriteBatchResult cancelled = Run(2, std::nullopt);
    EXPECT_FALSE(cancelled.Confirmed);
    EXPECT_EQ(dialog.Requests.size(), 1u);
    EXPECT_TRUE(engine.Calls.empty());
    EXPECT_TRUE(status.Log.empty());  // no loop, no list pass
    EXPECT_EQ(host.Messages.size(), 1u);
}

TEST_F(TagWriteBatchTest, TheRequestNamesTheCheckedFiles) {
    Song("a.mp3", "One");
    Song("b - Two.mp3", "Two");
    Song("c.x.mp3", "Three");
    Scan();
    CheckOnly({1, 2});
    list.CurrentFolder = dir.Path();
    Run(2, std::nullopt);
    ASSERT_EQ(dialog.Requests.size(), 1u);
    const WriteTagsRequest& r = dialog.Requests[0];
    EXPECT_EQ(r.Mode, 2);
    EXPECT_EQ(r.CheckedCount, 2);
    EXPECT_EQ(r.MemoLines, (Strings{"b - Two", "c.x"}));
    EXPECT_EQ(r.CurrentFolder, dir.Path());
    EXPECT_EQ(r.SampleRow, 1);
}

TEST_F(TagWriteBatchTest, Id3v1FieldsTheirSourcesAndCuts) {
    const std::string forty(40, 'x');
    Song("01 - Song.mp3", "Listed title", "3/12", "A comment", "(17)Rock");
    V1Song("02.mp3", "Old", 200);
    Untagged("03.mp3");
    Scan();
    struct Case {
        const char* Name;
        int Row;
        std::function<void(WriteTagsAnswer&)> Set;
        std::function<std::string(const Id3v1Tag&)> Get;
        std::string Expected;
    };
    const auto title = [](const Id3v1Tag& t) { return t.Title; };
    const auto track = [](const Id3v1Tag& t) { return std::to_string(t.Track); };
    const auto genre = [](const Id3v1Tag& t) { return std::to_string(t.Genre); };
    const std::vector<Case> cases = {
        {"title script", 0, [](auto& a) { a.Title = "%p0n[6-]n[-4]%"; }, title, "Song"},
        {"title kept", 0, [](auto&) {}, title, "Listed title"},
        {"title of a file without tag: not the placeholder", 2, [](auto&) {}, title, ""},
        {"title cut to 29", 0, [&](auto& a) { a.Title = forty; }, title, std::string(29, 'x')},
        {"title cut by characters", 0, [](auto& a) { a.Title = std::string(15, 'x') + "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"; }, title,
         std::string(15, 'x') + "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"},
        {"title from list", 0,
         [](auto& a) {
             a.Title = "Взять из списка";
             a.MemoLines = {"Memo"};
         },
         title, "Memo"},
        {"title, list too short", 0,
         [](auto& a) {
             a.Title = "Взять из списка";
             a.MemoLines = {};
         },
         title, "Listed title"},
        {"artist kept", 0, [](auto&) {}, [](const Id3v1Tag& t) { return t.Artist; }, "Artist Listed title"},
        {"artist cut", 0, [&](auto& a) { a.Artist = forty; }, [](const Id3v1Tag& t) { return t.Artist; },
         std::string(29, 'x')},
        {"comment cut", 0, [&](auto& a) { a.Comment = forty; }, [](const Id3v1Tag& t) { return t.Comment; },
         std::string(29, 'x')},
        {"comment kept", 0, [](auto&) {}, [](const Id3v1Tag& t) { return t.Comment; }, "A comment"},
        {"year cut to 4", 0, [](auto& a) { a.Year = "20245"; }, [](const Id3v1Tag& t) { return t.Year; }, "2024"},
        {"genre kept", 0, [](auto&) {}, genre, "17"},
        {"genre by name", 0, [](auto& a) { a.Genre = "Reggey"; }, genre, "16"},
        {"genre unknown", 0, [](auto& a) { a.Genre = "rock"; }, genre, "12"},
        {"genre empty", 0, [](auto& a) { a.Genre = ""; }, genre, "12"},
        {"track kept, 3/12", 0, [](auto&) {}, track, "3"},
        {"track kept, ID3v1", 1, [](auto&) {}, track, "200"},
        {"track kept, none", 2, [](auto&) {}, track, "0"},
        {"track deleted", 0, [](auto& a) { a.Track = "Удалить"; }, track, "0"},
        {"track empty", 0, [](auto& a) { a.Track = ""; }, track, "33"},
        {"track text", 0, [](auto& a) { a.Track = "seven"; }, track, "33"},
        {"track script", 0, [](auto& a) { a.Track = "%p0n[1-2]%"; }, track, "1"},
        {"track hex $", 0, [](auto& a) { a.Track = "$1F"; }, track, "31"},
        {"track hex 0x", 0, [](auto& a) { a.Track = "0x10"; }, track, "16"},
        {"track 255", 0, [](auto& a) { a.Track = "255"; }, track, "255"},
        {"track above 255", 0, [](auto& a) { a.Track = "257"; }, track, "0"},
        {"track negative", 0, [](auto& a) { a.Track = "-1"; }, track, "0"},
        {"track all, row 2", 1, [](auto& a) { a.Track = "Записать в порядке всех отображенных файлов"; }, track, "2"},
    };
    for (const Case& c : cases) {
        WriteTagsAnswer answer = KeepAll(1);
        c.Set(answer);
        const Id3v1Tag tag = BuildId3v1Record(answer, list, {c.Row, 1, 1});
        EXPECT_EQ(c.Get(tag), c.Expected) << c.Name;
    }
    // %p1% is the folder: the temporary folder's name.
    WriteTagsAnswer answer = KeepAll(1);
    answer.Album = "%p1%";
    const std::string folder = dir.Path().substr(dir.Path().rfind('/') + 1);
    EXPECT_EQ(BuildId3v1Record(answer, list, {0, 1, 1}).Album, text::TakeCodePoints(folder, 29));
}

TEST_F(TagWriteBatchTest, Id3v1NumbersAbove255AreNoTrack) {
    EXPECT_EQ(Id3v1TrackOfListed("03"), 3);
    EXPECT_EQ(Id3v1TrackOfListed("3/12"), 3);
    EXPECT_EQ(Id3v1TrackOfListed(""), 0);
    EXPECT_EQ(Id3v1TrackOfListed("A1"), 0);
    EXPECT_EQ(Id3v1TrackOfListed("256"), 0);
    EXPECT_EQ(Id3v1TrackOfListed("99999999999999999999"), 0);
    int n = -5;
    EXPECT_FALSE(Id3v1TrackOfNumber("", n));
    EXPECT_FALSE(Id3v1TrackOfNumber("$", n));
    EXPECT_FALSE(Id3v1TrackOfNumber("1 ", n));
    EXPECT_FALSE(Id3v1TrackOfNumber("0x1G", n));
    EXPECT_EQ(n, -5);
    ASSERT_TRUE(Id3v1TrackOfNumber("$ff", n));
    EXPECT_EQ(n, 255);
    ASSERT_TRUE(Id3v1TrackOfNumber("99999999999999999999", n));
    EXPECT_EQ(n, 0);
    // Numbering past 255 gives 0 too.
    Song("a.mp3", "One");
    Scan();
    WriteTagsAnswer answer = KeepAll(1);
    answer.Track = "Записать в порядке выбранных файлов";
    EXPECT_EQ(BuildId3v1Record(answer, list, {0, 256, 255}).Track, 255);
    EXPECT_EQ(BuildId3v1Record(answer, list, {0, 256, 256}).Track, 0);
}

TEST_F(TagWriteBatchTest, Id3v2FieldsTheirSourcesAndTheKeepRule) {
    Song("a.mp3", "One", "3", "Remark", "(17)Rock");
    V1Song("b.mp3", "Old", 5);
    Untagged("c.mp3");
    Scan();
    ASSERT_EQ(list.Rows()[0].ColumnText(ColId3v), "2");
    ASSERT_EQ(list.Rows()[1].ColumnText(ColId3v), "1");

    // Every field kept on a row from ID3v2: every frame stays, the values are the listed texts.
    const WriteTagsAnswer keep = KeepAll(2);
    Id3v2WriteRecord r = BuildId3v2Record(keep, list, {0, 1, 0});
    for (std::size_t f = 0; f < kId3v2FieldCount; ++f) EXPECT_TRUE(r.Keep[f]) << f;
    EXPECT_EQ(r.Values.Title, "One");
    EXPECT_EQ(r.Values.Genre, "Rock");
    EXPECT_EQ(r.Values.CommentOwner, "Own");
    EXPECT_EQ(r.Values.Composer, "Composer");

    // Each field by its own script: the new value, not kept; the others stay kept.
    struct Case {
        Id3v2Field Field;
        std::string WriteTagsAnswer::*Text;
        std::string Id3v2Tag::*Value;
    };
    const std::vector<Case> cases = {
        {Id3v2Field::Title, &WriteTagsAnswer::Title, &Id3v2Tag::Title},
        {Id3v2Field::Artist, &WriteTagsAnswer::Artist, &Id3v2Tag::Artist},
        {Id3v2Field::Album, &WriteTagsAnswer::Album, &Id3v2Tag::Album},
        {Id3v2Field::Year, &WriteTagsAnswer::Year, &Id3v2Tag::Year},
        {Id3v2Field::Comment, &WriteTagsAnswer::Comment, &Id3v2Tag::Comment},
        {Id3v2Field::Comment, &WriteTagsAnswer::CommentOwner, &Id3v2Tag::CommentOwner},
        {Id3v2Field::Track, &WriteTagsAnswer::Track, &Id3v2Tag::Track},
        {Id3v2Field::Genre, &WriteTagsAnswer::Genre, &Id3v2Tag::Genre},
        {Id3v2Field::URL, &WriteTagsAnswer::URL, &Id3v2Tag::URL},
        {Id3v2Field::Composer, &WriteTagsAnswer::Composer, &Id3v2Tag::Composer},
        {Id3v2Field::OrigArtist, &WriteTagsAnswer::OrigArtist, &Id3v2Tag::OrigArtist},
        {Id3v2Field::Copyright, &WriteTagsAnswer::Copyright, &Id3v2Tag::Copyright},
        {Id3v2Field::EncodedBy, &WriteTagsAnswer::EncodedBy, &Id3v2Tag::EncodedBy},
        {Id3v2Field::TXXX, &WriteTagsAnswer::TXXX, &Id3v2Tag::TXXX},
        {Id3v2Field::UFID, &WriteTagsAnswer::UFID, &Id3v2Tag::UFID},
        {Id3v2Field::MCDI, &WriteTagsAnswer::MCDI, &Id3v2Tag::MCDI},
        {Id3v2Field::TSSE, &WriteTagsAnswer::TSSE, &Id3v2Tag::TSSE},
        {Id3v2Field::TIT1, &WriteTagsAnswer::TIT1, &Id3v2Tag::TIT1},
    };
    const std::string longValue(300, 'v');  // ID3v2 values are not cut
    for (const Case& c : cases) {
        for (const std::string& text : {std::string("%p0n[-4]%-x"), longValue}) {
            WriteTagsAnswer answer = keep;
            answer.*c.Text = text;
            r = BuildId3v2Record(answer, list, {0, 1, 0});
            EXPECT_EQ(r.Values.*c.Value, text == longValue ? longValue : "a-x") << static_cast<int>(c.Field);
            for (std::size_t f = 0; f < kId3v2FieldCount; ++f) {
                EXPECT_EQ(r.Keep[f], f != static_cast<std::size_t>(c.Field)) << static_cast<int>(c.Field) << "/" << f;
            }
        }
    }
    // An empty value where the tag had the frame removes it; where it had none, nothing changes.
    WriteTagsAnswer empty = keep;
    empty.Title = "";
    empty.URL = "";
    r = BuildId3v2Record(empty, list, {0, 1, 0});
    EXPECT_FALSE(r.Kept(Id3v2Field::Title));
    EXPECT_EQ(r.Values.Title, "");
    EXPECT_TRUE(r.Kept(Id3v2Field::URL));

    // Rows from ID3v1 or without a tag: nothing is kept, the listed texts are new values.
    for (int row : {1, 2}) {
        r = BuildId3v2Record(keep, list, {row, 1, 0});
        for (std::size_t f = 0; f < kId3v2FieldCount; ++f) EXPECT_FALSE(r.Keep[f]) << row << "/" << f;
    }
    r = BuildId3v2Record(keep, list, {1, 1, 0});
    EXPECT_EQ(r.Values.Title, "Old");
    EXPECT_EQ(r.Values.Track, "5");
    EXPECT_EQ(r.Values.Genre, "Pop");
    EXPECT_EQ(BuildId3v2Record(keep, list, {2, 1, 0}).Values.Title, "");  // not the placeholder "Пусто"
}

TEST_F(TagWriteBatchTest, Id3v2TrackKeywords) {
    Song("a.mp3", "One", "3/12");
    Scan();
    struct Case {
        std::string Text;
        int K;
        std::string Value;
        bool Kept;
    };
    for (const Case& c : std::vector<Case>{{"Оставить как есть", 1, "3/12", true},
                                           {"Удалить", 1, "", false},
                                           {"Записать в порядке выбранных файлов", 4, "04", false},
                                           {"Записать в порядке выбранных файлов", 12, "12", false},
                                           {"Записать в порядке всех отображенных файлов", 4, "01", false},
                                           {"%p0n[1-1]%/9", 1, "a/9", false}}) {
        WriteTagsAnswer answer = KeepAll(2);
        answer.Track = c.Text;
        const Id3v2WriteRecord r = BuildId3v2Record(answer, list, {0, c.K, 0});
        EXPECT_EQ(r.Values.Track, c.Value) << c.Text;
        EXPECT_EQ(r.Kept(Id3v2Field::Track), c.Kept) << c.Text;
    }
}

// Three checked files, the second read-only with TryChangeAttrs off, and an unchecked first row.
class NumberingTest : public TagWriteBatchTest {
protected:
    void SetUp() override {
        Song("a.mp3", "Zero");
        Song("b.mp3", "One");
        MakeReadOnly(Song("c.mp3", "Two"));
        Song("d.mp3", "Three");
        Scan();
        CheckOnly({1, 2, 3});
    }
    std::vector<std::string> Tracks() const {
        std::vector<std::string> out;
        for (const auto& t : engine.V1) out.push_back(std::to_string(t.Track));
        for (const auto& r : engine.V2) out.push_back(r.Values.Track);
        return out;
    }
};

TEST_F(NumberingTest, BothRulesInBothVersions) {
    struct Case {
        int Mode;
        std::string Track;
        Strings Expected;
    };
    const std::vector<Case> cases = {
        {1, "Записать в порядке выбранных файлов", {"1", "2"}},
        {2, "Записать в порядке выбранных файлов", {"01", "03"}},
        {1, "Записать в порядке всех отображенных файлов", {"2", "4"}},
        {2, "Записать в порядке всех отображенных файлов", {"02", "04"}},
    };
    for (const Case& c : cases) {
        engine = {};
        host.Messages.clear();
        status.Log.clear();
        status.Progress.clear();
        CheckOnly({1, 2, 3});
        WriteTagsAnswer answer = KeepAll(c.Mode);
        answer.Track = c.Track;
        const TagWriteBatchResult result = Run(c.Mode, answer);
        EXPECT_EQ(Tracks(), c.Expected) << c.Mode << c.Track;
        const std::string v = c.Mode == 1 ? "v1:" : "v2:";
        EXPECT_EQ(engine.Calls, (Strings{v + "b.mp3", v + "d.mp3"}));
        ASSERT_EQ(result.Files.size(), 3u);
        EXPECT_TRUE(result.Files[0].Written());
        EXPECT_EQ(result.Files[1].Prepare, FileReadiness::ReadOnly);
        EXPECT_FALSE(result.Files[1].Written());
        EXPECT_TRUE(result.Files[2].Written());
        EXPECT_TRUE(result.Failed);
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0].Text, kFilesUnchanged);
        EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
        EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
        // Progress after every checked row, written or not: 100 / N * k.
        ASSERT_EQ(status.Progress.size(), 6u);  // three of the loop, three of the list pass
        EXPECT_EQ(status.Progress[1].first, dir / "c.mp3");
        EXPECT_DOUBLE_EQ(status.Progress[1].second, 100.0 / 3 * 2);
        EXPECT_DOUBLE_EQ(status.Progress[2].second, 100.0);
        ASSERT_GE(status.Log.size(), 3u);
        EXPECT_EQ(status.Log[0], std::string("status:") + (c.Mode == 1 ? kStatusWritingV1 : kStatusWritingV2));
        EXPECT_EQ(status.Log[1], "total");
        EXPECT_EQ(status.Log[2], "status: Создание списка...");  // the checked rows read again
    }
}

TEST_F(TagWriteBatchTest, TheAnswersModeDecidesAndKillTagsComesFirst) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Scan();
    WriteTagsAnswer answer = KeepAll(1);  // switched to ID3v1 in the dialog
    answer.KillTags = true;
    const TagWriteBatchResult result = Run(2, answer);
    EXPECT_EQ(engine.Calls, (Strings{"rm1:a.mp3", "rm1:b.mp3", "v1:a.mp3", "v1:b.mp3"}));
    EXPECT_TRUE(result.Files[0].Id3v1Removed());
    EXPECT_FALSE(result.Failed);
    EXPECT_TRUE(host.Messages.empty());
    // An ID3v1 tag that stays although the file was written is a failure too, with its reason.
    engine = {};
    TagEngine failing = engine.Engine();
    failing.RemoveId3v1 = [](const std::string&) { return TagOutcome::Fail(TagStep::WriteInPlace, EIO); };
    dialog.Answer = answer;
    const TagWriteBatchResult stays = TagWriteBatch(list, 2, dialog, failing);
    EXPECT_TRUE(stays.Failed);
    EXPECT_TRUE(stays.Files[0].Written());
    EXPECT_TRUE(stays.Files[0].FailureText().starts_with("the ID3v1 tag stays: writing the tag into the file"))
        << stays.Files[0].FailureText();
    EXPECT_EQ(host.Messages.back().Text, kFilesUnchanged);
}

// A picture file that is no picture writes nothing; folder covers are set where the folder has a
// picture (read once for its files) and name the files whose folder has none.
TEST_F(TagWriteBatchTest, CoversFromAFileAndFromTheFolder) {
    const std::string a = Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Scan();
    test::WriteFile(dir / "notes.png", "no picture");
    WriteTagsAnswer answer = KeepAll(2);
    answer.Cover = dir / "notes.png";
    EXPECT_TRUE(Run(2, answer).Failed);
    EXPECT_TRUE(engine.Calls.empty());
    EXPECT_EQ(host.Messages.back().Text, std::string(kCoverNotPicture) + "\n" + dir / "notes.png");

    answer.Cover = std::string(kCoverFromFolder);
    EXPECT_TRUE(Run(2, answer).Failed);
    EXPECT_TRUE(engine.Calls.empty());
    EXPECT_NE(host.Messages.back().Text.find(std::string(kNoFolderCover) + "\n" + a + "\n"), std::string::npos);

    const std::string jpeg = "\xFF\xD8\xFF\xE0 picture";
    test::WriteFile(dir / "Cover.JPG", jpeg);
    EXPECT_FALSE(Run(2, answer).Failed);
    ASSERT_EQ(engine.Calls, (Strings{"v2:a.mp3", "v2:b.mp3"}));
    EXPECT_EQ(engine.V2[0].Cover, CoverEdit::Set);
    EXPECT_EQ(*engine.V2[0].CoverContent, FrontCoverContent(kJpegMime, jpeg));
    EXPECT_EQ(engine.V2[0].CoverContent, engine.V2[1].CoverContent);
}

TEST_F(TagWriteBatchTest, FailuresAndAbort) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Song("c.mp3", "Three");
    Scan();
    // A write that fails is a failure; the loop goes on.
    engine.Results["a.mp3"] = TagOutcome::Fail(TagStep::WriteTemporary, EIO);
    TagWriteBatchResult result = Run(2, KeepAll(2));
    EXPECT_EQ(engine.Calls.size(), 3u);
    EXPECT_FALSE(result.Files[0].Written());
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(host.Messages.size(), 1u);
    // Abort ends the loop at once.
    engine = {};
    engine.Results["b.mp3"] = {TagResult::Aborted, TagStep::Rename, EACCES, {}};
    host.Messages.clear();
    status.Progress.clear();
    CheckOnly({0, 1, 2});
    result = Run(2, KeepAll(2));
    EXPECT_EQ(engine.Calls, (Strings{"v2:a.mp3", "v2:b.mp3"}));
    EXPECT_TRUE(result.Files[0].Written());
    EXPECT_FALSE(result.Files[1].Written());
    EXPECT_FALSE(result.Files[2].Reached);
    EXPECT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(status.Progress.front().first, dir / "a.mp3");
    EXPECT_EQ(status.Progress.size(), 1u + 3u);  // one of the loop, three of the list pass
    // A missing file is a failure too.
    engine = {};
    host.Messages.clear();
    CheckOnly({0, 1, 2});
    std::remove((dir / "c.mp3").c_str());
    result = Run(1, KeepAll(1));
    EXPECT_EQ(result.Files[2].Prepare, FileReadiness::Missing);
    EXPECT_EQ(engine.Calls.size(), 2u);
    EXPECT_EQ(host.Messages.size(), 1u);
}

TEST_F(TagWriteBatchTest, NnCountsPerFolderFromOne) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Scan();
    list.FolderCounters.assign(list.FolderCounters.size(), 7);
    WriteTagsAnswer answer = KeepAll(2);
    answer.Track = "%nn%";
    Run(2, answer);
    ASSERT_EQ(engine.V2.size(), 2u);
    EXPECT_EQ(engine.V2[0].Values.Track, "01");
    EXPECT_EQ(engine.V2[1].Values.Track, "02");
}

TEST_F(TagWriteBatchTest, Id3v1OnRealFilesRoundTrip) {
    Song("01 - Song.mp3", "Listed", "7");
    Song("02 - Other.mp3", "Other", "8");
    V1Song("03 - Third.mp3", "Third", 9);
    Scan();
    CheckOnly({0, 1, 2});
    WriteTagsAnswer answer = KeepAll(1);
    answer.Title = "Взять из списка";
    answer.MemoLines = {"Первая", "Second"};  // one line short: the third keeps its title
    answer.Genre = "Jazz";
    answer.Track = "Записать в порядке выбранных файлов";
    TagEngine real = engine.Engine();
    real.WriteId3v1 = [&](const std::string& path, const Id3v1Tag& tag) {
        return WriteId3v1Tag(path, tag, settings.TagCodePage);
    };
    dialog.Answer = answer;
    const TagWriteBatchResult result = TagWriteBatch(list, 1, dialog, real);
    EXPECT_FALSE(result.Failed);
    struct Expect {
        std::string File, Title;
        int Track;
    };
    for (const Expect& e : std::vector<Expect>{
             {"01 - Song.mp3", "Первая", 1}, {"02 - Other.mp3", "Second", 2}, {"03 - Third.mp3", "Third", 3}}) {
        Id3v1Tag tag;
        ASSERT_EQ(ReadId3v1Tag(dir / e.File, tag, 1251), TagRead::Found) << e.File;
        EXPECT_EQ(tag.Title, e.Title);
        EXPECT_EQ(tag.Track, e.Track);
        EXPECT_EQ(tag.Genre, GenreIndexOf("Jazz"));
    }
    // The rows were read again: row 3 shows its new ID3v1 tag.
    EXPECT_EQ(list.Rows()[2].ColumnText(ColTrack), "3");
    EXPECT_EQ(list.Rows()[2].ColumnText(ColGenre), "Jazz");
}

// With the real ID3v2 writer and remover on real files.
class RealId3v2Test : public TagWriteBatchTest {
protected:
    Id3v2Tag Read(const std::string& name) {
        Id3v2Tag tag;
        EXPECT_EQ(ReadId3v2Tag(dir / name, tag, 1251), TagRead::Found) << name;
        return tag;
    }
    static std::vector<std::string> Fields(const Id3v2Tag& t) {
        return {t.Title,     t.Artist, t.Album, t.Year,     t.Comment,    t.CommentOwner,
                t.Track,     t.Genre,  t.URL,   t.Composer, t.OrigArtist, t.Copyright,
                t.EncodedBy, t.TXXX,   t.UFID,  t.MCDI,     t.TSSE,       t.TIT1};
    }
    Id3v2WriteSession session{};
};

TEST_F(RealId3v2Test, KeepingEveryFieldKeepsEveryFrame) {
    const std::string priv = test::Id3v2Frame(3, "PRIV", std::string("owner\0\x01\x02", 8));
    ExtraFrames = priv;
    Song("a.mp3", "One", "3", "Remark", "(17)");  // a genre of a number only: the Genre column is empty
    Song("b.mp3", "Two", "7", "Note", "(13)Pop");
    ExtraFrames.clear();
    Scan();
    const Id3v2Tag a = Read("a.mp3");
    const Id3v2Tag b = Read("b.mp3");
    WriteTagsAnswer answer = KeepAll(2);
    answer.Artist = "%p0n[-4]% and %t3%";
    dialog.Answer = answer;
    const TagWriteBatchResult result = TagWriteBatch(list, 2, dialog, RealTagEngine(settings, session, host));
    EXPECT_FALSE(result.Failed);
    // Only the artist changed; the other frames, the unknown one included, are as they were.
    Id3v2Tag expectA = a;
    expectA.Artist = "a and Artist One";
    Id3v2Tag expectB = b;
    expectB.Artist = "b and Artist Two";
    EXPECT_EQ(Fields(Read("a.mp3")), Fields(expectA));
    EXPECT_EQ(Fields(Read("b.mp3")), Fields(expectB));
    EXPECT_EQ(Read("a.mp3").Genre, "(17)");
    EXPECT_NE(test::ReadFile(dir / "a.mp3").find(priv), std::string::npos);
    EXPECT_NE(test::ReadFile(dir / "b.mp3").find(priv), std::string::npos);
    EXPECT_EQ(list.Rows()[0].ColumnText(ColArtist), "a and Artist One");  // read again
}

TEST_F(RealId3v2Test, AFileWithoutATagNeverGetsTheListsPlaceholderAsItsTitle) {
    Untagged("bare.mp3");
    Scan();
    ASSERT_EQ(list.Rows()[0].ColumnText(ColTitle), "Пусто");
    for (const std::string& title : {std::string("Оставить как есть"), std::string("Взять из списка")}) {
        WriteTagsAnswer answer = KeepAll(2);
        answer.Title = title;  // the memo has no line for the row
        answer.Artist = "Кино";
        dialog.Answer = answer;
        CheckOnly({0});
        EXPECT_FALSE(TagWriteBatch(list, 2, dialog, RealTagEngine(settings, session, host)).Failed);
        EXPECT_EQ(Read("bare.mp3").Title, "") << title;
        EXPECT_EQ(Read("bare.mp3").Artist, "Кино");
        ASSERT_TRUE(RemoveId3v2Tag(dir / "bare.mp3", true, session).Done());
        Scan();
    }
}

TEST_F(RealId3v2Test, NumberingWithAReadOnlyFileInTheMiddle) {
    Song("a.mp3", "One", "9", "", "", true);
    MakeReadOnly(Song("b.mp3", "Two", "9"));
    Song("c.mp3", "Three", "9");
    Scan();
    WriteTagsAnswer answer = KeepAll(2);
    answer.Track = "Записать в порядке выбранных файлов";
    answer.Genre = "Rock";
    dialog.Answer = answer;
    const TagWriteBatchResult result = TagWriteBatch(list, 2, dialog, RealTagEngine(settings, session, host));
    EXPECT_TRUE(result.Failed);
    EXPECT_EQ(Read("a.mp3").Track, "01");
    EXPECT_EQ(Read("b.mp3").Track, "9");
    EXPECT_EQ(Read("c.mp3").Track, "03");
    EXPECT_EQ(Read("c.mp3").Genre, "(17)Rock");
    EXPECT_EQ(host.Messages.back().Text, kFilesUnchanged);
}

}  // namespace
}  // namespace tagmora
