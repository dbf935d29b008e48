// The window position's stored image: its byte layout and which stored values are accepted.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "settings/AppSettings.h"
#include "settings/WindowPosition.h"

namespace tagmora {
namespace {

TEST(WindowPositionImage, TwentyBytesLittleEndianInTheirOrder) {
    const WindowPosition p{-5, 300, 623, 0x01020304, 2};
    const std::vector<std::uint8_t> expected = {
        0xFB, 0xFF, 0xFF, 0xFF,  // top -5
        0x2C, 0x01, 0x00, 0x00,  // left 300
        0x6F, 0x02, 0x00, 0x00,  // width 623
        0x04, 0x03, 0x02, 0x01,  // height
        0x02, 0x00, 0x00, 0x00,  // state maximised, three unused bytes
    };
    EXPECT_EQ(EncodeWindowPosition(p), expected);
    EXPECT_EQ(DecodeWindowPosition(expected), p);
}

TEST(WindowPositionImage, OnlyExactlyTwentyBinaryBytesAreAPosition) {
    test::TempDir dir;
    FileSettingsStore store(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(LoadWindowPosition(store));  // nothing stored
    for (std::size_t size : {19u, 21u}) {
        ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kSettingsKey,
                                      {{kWinPosValue, RegValue::Binary(std::vector<std::uint8_t>(size, 1))}}));
        EXPECT_FALSE(LoadWindowPosition(store)) << size;
    }
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kSettingsKey, {{kWinPosValue, RegValue::Number(20)}}));
    EXPECT_FALSE(LoadWindowPosition(store));

    const WindowPosition p{10, 20, 700, 400, 1};
    ASSERT_TRUE(StoreWindowPosition(store, p));
    EXPECT_EQ(LoadWindowPosition(store), p);
    // Another store on the same file sees it: it was saved.
    FileSettingsStore again(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(LoadWindowPosition(again), p);
}

}  // namespace
}  // namespace tagmora
