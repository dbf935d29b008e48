// Tests of the field table: each row in its column's place, every frame identifier, written field,
// dialog place, option and ID3v1 slot held by one row only, and each field's frame read back into
// that field in every version and written by the writer under its version 2.3 identifier.
#include "tags/TagFields.h"

#include "TestFiles.h"
#include "tags/Id3v2Edit.h"
#include "tags/Id3v2Read.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tagmora {
namespace {

using namespace std::string_literals;

TEST(TagFieldsTest, EachRowHoldsPlacesOfItsOwn) {
    std::set<std::string> ids[3], options;
    std::set<int> answers, written, slots;
    for (int c = 0; c < kColumnCount; ++c) {
        const TagField& field = kTagFields[static_cast<std::size_t>(c)];
        SCOPED_TRACE(field.Caption);
        EXPECT_EQ(field.Column, c);
        if (!field.IsTagField()) {
            EXPECT_EQ(field.AnswerIndex, -1);
            EXPECT_EQ(field.Field, kNotWritten);
            continue;
        }
        const std::string_view frames[3] = {field.Frame22, field.Frame23, field.Frame24};
        for (std::size_t v = 0; v < 3 && field.Shape != FieldShape::CommentOwner; ++v) {
            EXPECT_EQ(frames[v].size(), v == 0 ? 3u : 4u);
            EXPECT_TRUE(ids[v].insert(std::string(frames[v])).second) << frames[v];
        }
        ASSERT_LT(static_cast<std::size_t>(field.AnswerIndex), kAnswerFieldCount);
        EXPECT_TRUE(answers.insert(field.AnswerIndex).second);
        EXPECT_EQ(kAnswerColumns[static_cast<std::size_t>(field.AnswerIndex)], c);
        EXPECT_TRUE(options.insert(field.Option).second);
        if (field.V1 != Id3v1Slot::None) {
            EXPECT_TRUE(slots.insert(static_cast<int>(field.V1)).second);
        }
        if (field.Shape == FieldShape::CommentOwner) continue;
        EXPECT_TRUE(written.insert(static_cast<int>(field.Field)).second);
        EXPECT_EQ(kWrittenColumns[static_cast<std::size_t>(field.Field)], c);
    }
    EXPECT_EQ(answers.size(), kAnswerFieldCount);
    EXPECT_EQ(written.size(), kId3v2FieldCount);
    EXPECT_EQ(slots.size(), 7u);
}

TEST(TagFieldsTest, EachFieldReadsFromItsFramesAndIsWrittenAsItsOwn) {
    for (const TagField& field : kTagFields) {
        if (!field.IsTagField() || field.Shape == FieldShape::CommentOwner) continue;
        SCOPED_TRACE(field.Caption);
        const std::string content = field.Shape == FieldShape::Comment ? "\0eng\0Value"s
                                    : field.Shape == FieldShape::Url || field.Shape == FieldShape::UserText
                                        ? "\0\0Value"s
                                        : "\0Value"s;
        const std::string_view frames[3] = {field.Frame22, field.Frame23, field.Frame24};
        for (int version = 2; version <= 4; ++version) {
            const std::string tag =
                test::Id3v2TagBytes(version, test::Id3v2Frame(version, frames[version - 2], content));
            Id3v2Tag read;
            ASSERT_EQ(ParseId3v2(reinterpret_cast<const unsigned char*>(tag.data()), tag.size(), read, 1251),
                      TagRead::Found);
            EXPECT_EQ(read.*field.Member, "Value") << "version 2." << version;
        }
        Id3v2WriteRecord record;
        record.Values.*field.Member = "Value";
        const std::string written = RenderId3v2Frames(nullptr, 0, record, 1251);
        EXPECT_EQ(written.substr(0, 4), field.Frame23);
        const std::string tag = test::Id3v2TagBytes(3, written);
        Id3v2Tag read;
        ParseId3v2(reinterpret_cast<const unsigned char*>(tag.data()), tag.size(), read, 1251);
        EXPECT_TRUE((read.*field.Member).ends_with("Value")) << read.*field.Member;  // a genre as "(n)Value"
    }
}

}  // namespace
}  // namespace tagmora
