// The tag removal commands: no checked rows, the question and its answers, the status texts, the
// progress, the counts, and the ID3v1 remover on real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WriteTagsFixture.h"
#include "common/Messages.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Write.h"
#include "writetags/TagRemoval.h"

namespace tagmora {
namespace {

using Strings = std::vector<std::string>;

class TagRemovalTest : public test::WriteTagsFixture {};

TEST_F(TagRemovalTest, QuestionsAndAnswers) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Song("c.mp3", "Three");
    Scan();
    struct Case {
        int Version;
        std::vector<int> Checked;
        MessageResult Answer;
        std::string Question;  // empty: none asked
        Strings Calls;
        Strings Log;
    };
    const std::vector<Case> cases = {
        {1, {}, MessageResult::Yes, "", {}, {}},
        {1, {0, 2}, MessageResult::No, kKillTags1Question, {}, {}},
        {2, {0, 2}, MessageResult::No, kKillTags2Question, {}, {}},
        {1,
         {0, 2},
         MessageResult::Yes,
         kKillTags1Question,
         {"rm1:a.mp3", "rm1:c.mp3"},
         {std::string("status:") + kStatusRemovingV1, "total", "status: Создание списка...", "total"}},
        {2,
         {0, 1, 2},
         MessageResult::Yes,
         kKillTags2Question,
         {"rm2:a.mp3", "rm2:b.mp3", "rm2:c.mp3"},
         {std::string("status:") + kStatusRemovingV2, "total", "status: Создание списка...", "total"}},
    };
    for (const Case& c : cases) {
        engine = {};
        host.Messages.clear();
        host.Answers = {c.Answer};
        status.Log.clear();
        status.Progress.clear();
        for (auto& row : list.Rows()) row.Checked = false;
        for (int r : c.Checked) list.Rows()[static_cast<std::size_t>(r)].Checked = true;
        const auto outcomes = RemoveTagsFromChecked(list, c.Version, engine.Engine());
        EXPECT_EQ(engine.Calls, c.Calls);
        EXPECT_EQ(outcomes.size(), c.Calls.size());
        ASSERT_EQ(host.Messages.size(), 1u);
        if (c.Question.empty()) {
            EXPECT_EQ(host.Messages[0].Text, kNoCheckedFiles);
        } else {
            EXPECT_EQ(host.Messages[0].Text, c.Question);
            EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
            EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Question);
            EXPECT_EQ(host.Messages[0].Buttons, MessageButtons::YesNo);
        }
        EXPECT_EQ(status.Log, c.Log) << c.Version;
        if (!c.Calls.empty()) {
            // Progress 100 / N * i per checked file, then the list pass.
            ASSERT_EQ(status.Progress.size(), 2 * c.Calls.size());
            EXPECT_EQ(status.Progress[0].first, dir / c.Calls[0].substr(4));
            EXPECT_DOUBLE_EQ(status.Progress[0].second, 100.0 / static_cast<double>(c.Calls.size()));
            EXPECT_DOUBLE_EQ(status.Progress[c.Calls.size() - 1].second, 100.0);
        }
    }
}

TEST_F(TagRemovalTest, Id3v1RemovalOnRealFilesShowsTheTagsLeft) {
    const std::string a = Song("a.mp3", "One", "", "", "", true);
    const std::string b = Song("b.mp3", "Two");  // no ID3v1 tag
    const std::string c = V1Song("c.mp3", "Three");
    settings.TAGReadSequence = 3;  // ID3v1 first
    Scan();
    ASSERT_EQ(list.Rows()[0].ColumnText(ColId3v), "1");
    const std::string bBefore = test::ReadFile(b);
    const std::size_t aSize = test::ReadFile(a).size();
    host.Answers = {MessageResult::Yes};
    TagEngine real = engine.Engine();
    real.RemoveId3v1 = [&](const std::string& path) { return RemoveId3v1Tag(path, settings.TryChangeAttrs); };
    const auto outcomes = RemoveTagsFromChecked(list, 1, real);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].Outcome.Result, TagResult::Done);
    EXPECT_EQ(outcomes[1].Outcome.Result, TagResult::NoTag);
    EXPECT_EQ(outcomes[2].Outcome.Result, TagResult::Done);
    EXPECT_EQ(host.Messages.size(), 1u);  // the question only
    EXPECT_EQ(test::ReadFile(a).size(), aSize - 128);
    EXPECT_EQ(test::ReadFile(b), bBefore);
    // Read again: a falls back to its ID3v2 tag, c has no tag left.
    EXPECT_EQ(list.Rows()[0].ColumnText(ColId3v), "2");
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), "One");
    EXPECT_EQ(list.Rows()[2].ColumnText(ColTitle), "Пусто");
}

TEST_F(TagRemovalTest, Id3v2RemovalOnRealFiles) {
    Song("a.mp3", "One", "", "", "", true);
    MakeReadOnly(Song("b.mp3", "Two"));
    Song("c.mp3", "Three");
    Scan();
    const std::string before = test::ReadFile(dir / "b.mp3");
    host.Answers = {MessageResult::Yes};
    Id3v2WriteSession session{};
    const auto removed = RemoveTagsFromChecked(list, 2, RealTagEngine(settings, session, host));
    ASSERT_EQ(removed.size(), 3u);
    EXPECT_EQ(removed[0].Outcome.Result, TagResult::Done);
    EXPECT_EQ(removed[1].Outcome.Result, TagResult::ReadOnly);  // read-only, TryChangeAttrs off
    EXPECT_EQ(removed[2].Outcome.Result, TagResult::Done);
    EXPECT_EQ(test::ReadFile(dir / "b.mp3"), before);
    EXPECT_EQ(test::ReadFile(dir / "c.mp3"), test::SilentFrames(1));
    // Read again: a falls back to its ID3v1 tag, c has no tag left.
    EXPECT_EQ(list.Rows()[0].ColumnText(ColId3v), "1");
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), "V1 One");
    EXPECT_EQ(list.Rows()[2].ColumnText(ColId3v), "0");
    EXPECT_EQ(host.Messages.size(), 1u);  // the question only
}

}  // namespace
}  // namespace tagmora
