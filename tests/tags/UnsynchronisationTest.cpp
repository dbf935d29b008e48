// Tests of unsynchronisation: applying it and undoing it.
#include "tags/Unsynchronisation.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;

TEST(Unsynchronisation, ApplyAndUndo) {
    struct Case {
        std::string plain;
        std::string stored;
    };
    const Case cases[] = {
        {"", ""},
        {"ABC", "ABC"},
        {"\xFF\xE0"s, "\xFF\x00\xE0"s},
        {"\xFF\x00"s, "\xFF\x00\x00"s},
        {"A\xFF"s, "A\xFF\x00"s},
        {"\xFF\xFF\xFF"s, "\xFF\x00\xFF\x00\xFF\x00"s},
        {"\xFF\x7F\xFF\xDF"s, "\xFF\x7F\xFF\xDF"s},
        {"\xFF\xFB\x90\x64"s, "\xFF\x00\xFB\x90\x64"s},
    };
    for (const Case& c : cases) {
        std::string out;
        ApplyUnsynchronisation(c.plain, out);
        EXPECT_EQ(out, c.stored);
        UndoUnsynchronisation(c.stored, out);
        EXPECT_EQ(out, c.plain);
        EXPECT_EQ(HasUnsynchronisation(c.stored), c.stored != c.plain);
    }
}

TEST(Unsynchronisation, EveryShortSequenceRoundTrips) {
    const char alphabet[] = {'\x00', '\x7F', '\xDF', '\xE0', '\xFF'};
    for (std::size_t length = 1; length <= 4; ++length) {
        std::size_t count = 1;
        for (std::size_t i = 0; i < length; ++i) count *= sizeof alphabet;
        for (std::size_t n = 0; n < count; ++n) {
            std::string plain;
            for (std::size_t i = 0, rest = n; i < length; ++i, rest /= sizeof alphabet)
                plain.push_back(alphabet[rest % sizeof alphabet]);
            std::string stored;
            std::string back;
            ApplyUnsynchronisation(plain, stored);
            UndoUnsynchronisation(stored, back);
            EXPECT_EQ(back, plain);
            EXPECT_EQ(stored, test::UnsynchronisedBytes(plain));
            // No false sync remains: no 0xFF before 0xE0 or more, none at the end.
            for (std::size_t i = 0; i < stored.size(); ++i) {
                if (stored[i] != '\xFF') continue;
                ASSERT_LT(i + 1, stored.size());
                EXPECT_LT(static_cast<unsigned char>(stored[i + 1]), 0xE0);
            }
        }
    }
}

}  // namespace
}  // namespace tagmora::id3v2
