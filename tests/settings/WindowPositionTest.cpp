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

TEST(WindowPositionImage, EachStateRoundTripsThroughTheStore) {
    test::TempDir dir;
    FileSettingsStore store(dir / "user.reg", dir / "machine.reg");
    for (const WindowState state : {WindowState::Normal, WindowState::Minimized, WindowState::Maximized}) {
        const WindowPosition p{-20, 1930, 640, 480, static_cast<std::uint8_t>(state)};
        ASSERT_TRUE(StoreWindowPosition(store, p));
        const auto stored = store.ReadValue(Hive::CurrentUser, kSettingsKey, kWinPosValue);
        ASSERT_TRUE(stored.has_value());
        ASSERT_EQ(stored->Bytes.size(), 20u);
        EXPECT_EQ(stored->Bytes[16], static_cast<std::uint8_t>(state));
        EXPECT_EQ(LoadWindowPosition(store), p);
    }
}

TEST(WindowPositionImage, OnlyExactlyTwentyBinaryBytesAreAPosition) {
    test::TempDir dir;
    FileSettingsStore store(dir / "user.reg", dir / "machine.reg");
    EXPECT_FALSE(LoadWindowPosition(store));  // nothing stored
    // Every other length and every other type is ignored like a missing value.
    const RegValue notAPosition[] = {
        RegValue::Binary({}),
        RegValue::Binary(std::vector<std::uint8_t>(19, 1)),
        RegValue::Binary(std::vector<std::uint8_t>(21, 1)),
        RegValue::Binary(std::vector<std::uint8_t>(88, 0)),
        RegValue::Number(20),
        RegValue::String("1,2,3,4,0"),
        RegValue::ExpandString("01234567890123456789"),
    };
    for (const RegValue& value : notAPosition) {
        ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kSettingsKey, {{kWinPosValue, value}}));
        EXPECT_FALSE(LoadWindowPosition(store)) << static_cast<int>(value.Type) << " " << value.Bytes.size();
    }

    const WindowPosition p{10, 20, 700, 400, 1};
    ASSERT_TRUE(StoreWindowPosition(store, p));
    EXPECT_EQ(LoadWindowPosition(store), p);
    // Another store on the same file sees it: it was saved.
    FileSettingsStore again(dir / "user.reg", dir / "machine.reg");
    EXPECT_EQ(LoadWindowPosition(again), p);
}

// A window that fits with its title bar reachable stays; any other moves the least, cut to size.
TEST(WindowPlacement, ARestoredWindowKeepsItsTitleBarReachable) {
    const std::vector<ScreenArea> two = {{0, 0, 800, 600}, {800, -100, 1024, 768}};
    struct Case {
        const char* What;
        WindowPosition Stored;
        std::vector<ScreenArea> Screens;
        WindowPosition Placed;
    };
    const Case cases[] = {
        {"inside the first", {10, 20, 300, 200, 0}, two, {10, 20, 300, 200, 0}},
        {"partly off, 150 pixels of title on", {500, -150, 300, 200, 0}, two, {500, -150, 300, 200, 0}},
        {"99 pixels of title on", {10, -201, 300, 200, 0}, two, {10, 0, 300, 200, 0}},
        {"above the top left corner", {-300, -600, 660, 338, 0}, two, {0, 0, 660, 338, 0}},
        {"far away: the nearer second", {5000, 5000, 700, 400, 2}, two, {268, 1124, 700, 400, 2}},
        {"100000 x 100000", {0, 0, 100000, 100000, 0}, two, {0, 0, 800, 600, 0}},
        {"edges near the end of the range", {2147483000, 2147483000, 700, 400, 0}, two, {268, 1124, 700, 400, 0}},
        {"no screens known", {5000, 5000, 700, 400, 0}, {}, {5000, 5000, 700, 400, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(PlaceOnScreens(c.Stored, c.Screens), c.Placed) << c.What;
}

}  // namespace
}  // namespace tagmora
