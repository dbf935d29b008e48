// Tests of unsynchronisation: applying it and undoing it.
#include "tags/Unsynchronisation.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;

TEST(Unsynchronisation, EveryShortSequenceRoundTrips) {
    EXPECT_EQ(test::UnsynchronisedBytes("\xFF\xE0\x41\xFF\x00"s), "\xFF\x00\xE0\x41\xFF\x00\x00"s);
    const char alphabet[] = {'\x00', '\x7F', '\xDF', '\xE0', '\xFF'};
    for (std::size_t n = 0; n < 6 * 6 * 6 * 6 * 6; ++n) {
        std::string plain;  // every sequence of up to five bytes of the alphabet
        for (std::size_t rest = n; rest > 0; rest /= 6) {
            if (rest % 6 != 0) plain.push_back(alphabet[rest % 6 - 1]);
        }
        std::string stored;
        std::string back;
        ApplyUnsynchronisation(plain, stored);
        UndoUnsynchronisation(stored, back);
        EXPECT_EQ(stored, test::UnsynchronisedBytes(plain));
        EXPECT_EQ(back, plain);
        EXPECT_EQ(HasUnsynchronisation(stored), stored != plain);
    }
}

}  // namespace
}  // namespace tagmora::id3v2
