// Text: UTF-8 by code point, the legacy code pages, UTF-16 and case folding.
#include <gtest/gtest.h>
#include <iconv.h>

#include <utility>

#include "common/Text.h"

namespace tagmora::text {
namespace {

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_TRUE(IsValidUtf8("Ёлка €"));
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));  // U+FFFD itself is valid
    for (const char* bad : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "a\x80"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(IsValidUtf8(bad));
    }
    EXPECT_EQ(SanitizeUtf8("a\xFF"
                           "b\xE2\x82"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(CodePointCount("Ёлка"), 4u);
    EXPECT_EQ(CodePointCount("\xF0\x9F\x8E\xB5x"), 2u);
    EXPECT_EQ(TakeCodePoints("Ёлка", 2), "Ёл");
    EXPECT_EQ(TakeCodePoints("ab", 5), "ab");
    EXPECT_EQ(FromCodePoints(ToCodePoints("Музыка \xF0\x9F\x8E\xB5")), "Музыка \xF0\x9F\x8E\xB5");
}

TEST(CodePages, Cp1251RoundTripsEveryDefinedByte) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x98) continue;  // the one byte code page 1251 leaves undefined
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(EncodeCodePage(DecodeCodePage(all, 1251), 1251), all);
    EXPECT_EQ(DecodeCodePage("\xA8\xB8\xC0\xFF\xB9", 1251), "ЁёАя№");
}

// Every high byte of both code pages against the C library's own converter; bytes the code page
// leaves undefined become the C1 control of the same value.
TEST(CodePages, HighBytesMatchTheSystemConverter) {
    for (const auto& [codePage, name] : {std::pair{1251, "CP1251"}, std::pair{1252, "CP1252"}}) {
        iconv_t cd = iconv_open("UTF-8", name);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
        for (int b = 0x80; b <= 0xFF; ++b) {
            char in[1] = {static_cast<char>(b)};
            char out[8] = {};
            char* inPtr = in;
            char* outPtr = out;
            std::size_t inLeft = 1;
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool defined = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
            std::string expected(out, static_cast<std::size_t>(outPtr - out));
            if (!defined) {
                expected.clear();
                AppendUtf8(expected, static_cast<char32_t>(b));
            }
            EXPECT_EQ(DecodeCodePage(std::string(1, static_cast<char>(b)), codePage), expected)
                << name << " byte " << b;
        }
        iconv_close(cd);
    }
}

TEST(CodePages, Cp1252AndUnmappableCharacters) {
    EXPECT_EQ(DecodeCodePage("\x80\xE9\x9F", 1252), "€éŸ");
    EXPECT_EQ(EncodeCodePage("Café €", 1252), "Caf\xE9 \x80");
    // Letters the code page cannot hold become "?", one per character.
    EXPECT_EQ(EncodeCodePage("Ёж and 日本", 1252), "?? and ??");
    EXPECT_EQ(EncodeCodePage("é", 1251), "?");
    // Undefined bytes survive a round trip as their C1 control characters.
    EXPECT_EQ(EncodeCodePage(DecodeCodePage("\x81", 1252), 1252), "\x81");
}

TEST(Utf16, ByteOrderMarksSurrogatesAndOddBytes) {
    EXPECT_EQ(DecodeUtf16(std::string("\xFF\xFE"
                                      "A\0\x16\x04",
                                      6),
                          true),
              "AЖ");
    EXPECT_EQ(DecodeUtf16(std::string("\xFE\xFF\0A\x04\x16", 6), false), "AЖ");
    EXPECT_EQ(DecodeUtf16(std::string("\0A", 2), true), "A");
    EXPECT_EQ(DecodeUtf16(std::string("A\0", 2), false), "A");
    EXPECT_EQ(DecodeUtf16(std::string("\x3C\xD8\xB5\xDF", 4), false), "\xF0\x9F\x8E\xB5");
    std::string longUnits, longText;  // longer than the decoder's buffer on the stack
    for (int i = 0; i < 200; ++i) longUnits += std::string("\x16\x04", 2), longText += "Ж";
    EXPECT_EQ(DecodeUtf16(longUnits + std::string("\x3C\xD8\xB5\xDF", 4), false), longText + "\xF0\x9F\x8E\xB5");
    EXPECT_EQ(DecodeUtf16(std::string("\x3C\xD8"
                                      "A\0",
                                      4),
                          false),
              "\xEF\xBF\xBD"
              "A");  // lone high surrogate
    EXPECT_EQ(DecodeUtf16(std::string("A\0B", 3), false), "A");
    EXPECT_EQ(DecodeUtf16(EncodeUtf16LeWithBom("Ёлка \xF0\x9F\x8E\xB5"), false), "Ёлка \xF0\x9F\x8E\xB5");
}

TEST(CaseFolding, LatinCyrillicAndGreek) {
    EXPECT_TRUE(EqualsIgnoreCase("ЁЛКА Song", "ёлка sONG"));
    EXPECT_TRUE(EqualsIgnoreCase("ΣΟΦΙΑ", "σοφια"));
    EXPECT_TRUE(EqualsIgnoreCase("ÀÉÎ", "àéî"));
    EXPECT_FALSE(EqualsIgnoreCase("е", "ё"));
    EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(CompareIgnoreCase("abcd", "ABC"), 0);
    EXPECT_EQ(FoldCase("ПРИВЕТ World"), "привет world");
    EXPECT_TRUE(EqualsAsciiIgnoreCase(".MP3", ".mp3"));
    EXPECT_FALSE(EqualsAsciiIgnoreCase(".mp3", ".mp4"));
}

}  // namespace
}  // namespace tagmora::text
