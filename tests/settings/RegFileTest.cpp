// Tests of the .reg text format: parse and render in pairs, round trips, the hive's key index.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "HiveValue.h"
#include "common/Text.h"
#include "settings/RegFile.h"

namespace tagmora {
namespace {

using test::kCU;
using test::ValueOf;

RegValue Typed(RegType type, std::vector<std::uint8_t> bytes) {
    RegValue v;
    v.Type = type;
    v.Bytes = std::move(bytes);
    return v;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}
// A hive holding every kind of value the store knows, including the awkward ones.
RegHive EveryKindOfValue() {
    static constexpr char kControls[] = "tab\there\0nul\x7f";
    RegHive h;
    RegKey& k = h.FindOrCreate("Software\\Doskvel\\Tagmora");
    k.Values = {
        {"Plain", RegValue::String("Музыка и песни")},
        {"Quotes", RegValue::String("C:\\Music\\\"Best\"\\")},
        {"Empty", RegValue::String("")},
        {"Lines", RegValue::String("one\r\ntwo\nthree")},
        {"Controls", RegValue::String(std::string(kControls, sizeof kControls - 1))},
        {"Bom", RegValue::String("\xEF\xBB\xBF\x01")},
        {"Emoji", RegValue::String("\xF0\x9F\x8E\xB5 note")},
        {"", RegValue::String("the default value")},
        {"@", RegValue::String("a value named @")},
        {"Expand", RegValue::ExpandString("%HOME%/Музыка")},
        {"Zero", RegValue::Number(0)},
        {"Max", RegValue::Number(0xFFFFFFFFu)},
        {"NoBytes", RegValue::Binary({})},
        {"Long", RegValue::Binary(std::vector<std::uint8_t>(300, 0xAB))},
        {"None", Typed(RegType::None, {1, 2})},
        {"Multi", Typed(RegType::MultiSz, {'a', 0, 0, 0, 0, 0})},
        {"Qword", Typed(RegType::Qword, {1, 0, 0, 0, 0, 0, 0, 0})},
        {"BigEndian", Typed(RegType::DwordBigEndian, {0, 0, 0, 1})},
        {"Odd type", Typed(static_cast<RegType>(0x12345), {0xFF})},
        {"Name with \\ and \" and \t", RegValue::Number(7)},
    };
    h.FindOrCreate("");  // the root key itself
    h.FindOrCreate("Software\\Doskvel\\Tagmora\\Sub key [1]").Values = {{"x", RegValue::Number(1)}};
    return h;
}

// ---- Parsing ----------------------------------------------------------------------------------

TEST(RegFileParse, ReadsEveryDataForm) {
    const std::string file =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Doskvel\\Tagmora]\n"
        "\"Plain\"=\"Музыка\"\n"
        "\"Escaped\"=\"C:\\\\Music\\\\\\\"Best\\\"\"\n"
        "\"Other backslash\"=\"a\\tb\"\n"
        "@=\"default\"\n"
        "\"Count\"=dword:0000000a\n"
        "\"Short\"=dword:1F\n"
        "\"Blob\"=hex:01,02,ff\n"
        "\"NoBytes\"=hex:\n"
        "\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\n"
        "\"Utf16\"=hex(1):41,00,0a,00,1f,04,00,00\n"
        "\"Multi\"=hex(7):61,00,00,00,00,00\n"
        "\"Dword4\"=hex(4):10,32,00,80\n"
        "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
        "  \"Spaced\" = dword:00000001  \n";
    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), 1u);
    EXPECT_EQ(h.Keys[0].Path, "Software\\Doskvel\\Tagmora");
    const auto at = [&](std::string_view name) { return ValueOf(h, "Software\\Doskvel\\Tagmora", name); };

    ASSERT_NE(at("Plain"), nullptr);
    EXPECT_EQ(*at("Plain"), RegValue::String("Музыка"));
    EXPECT_EQ(at("Escaped")->Text, "C:\\Music\\\"Best\"");
    EXPECT_EQ(at("Other backslash")->Text, "a\\tb");  // only \\ and \" are escapes
    EXPECT_EQ(*at(""), RegValue::String("default"));
    EXPECT_EQ(*at("Count"), RegValue::Number(10));
    EXPECT_EQ(*at("Short"), RegValue::Number(0x1F));
    EXPECT_EQ(*at("Blob"), RegValue::Binary({1, 2, 0xFF}));
    EXPECT_EQ(*at("NoBytes"), RegValue::Binary({}));
    EXPECT_EQ(*at("Expand"), RegValue::ExpandString("%HOME%"));
    EXPECT_EQ(*at("Utf16"), RegValue::String("A\nП"));
    EXPECT_EQ(*at("Multi"), Typed(RegType::MultiSz, {'a', 0, 0, 0, 0, 0}));
    EXPECT_EQ(*at("Dword4"), RegValue::Number(0x80003210u));
    EXPECT_EQ(*at("Quad"), Typed(RegType::Qword, {1, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_NE(at("Spaced"), nullptr);
    EXPECT_EQ(at("Spaced")->Dword, 1u);
}

TEST(RegFileParse, ReadsAWindowsExportInUtf16WithCrlfAndContinuations) {
    const std::string export5 =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Doskvel]\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Doskvel\\Tagmora]\r\n"
        "\"StartDir\"=\"D:\\\\Музыка\"\r\n"
        "\"ShowGrid\"=dword:00000001\r\n"
        "\"ShowItem\"=hex:01,01,01,01,01,01,01,01,01,00,00,00,00,00,00,00,00,00,00,00,00,\\\r\n"
        "  00\r\n"
        "\"Script\"=hex(2):25,00,70,00,31,00,25,00,5c,00,25,00,70,00,30,00,6e,00,5b,00,2d,\\\r\n"
        "  00,34,00,5d,00,25,00,00,00\r\n"
        "\r\n";
    const RegHive h = ParseRegFile(text::EncodeUtf16LeWithBom(export5), "HKEY_CURRENT_USER");
    ASSERT_EQ(h.Keys.size(), 2u);
    EXPECT_EQ(h.Keys[0].Path, "Software\\Doskvel");
    EXPECT_TRUE(h.Keys[0].Values.empty());
    const std::string key = "Software\\Doskvel\\Tagmora";
    ASSERT_NE(ValueOf(h, key, "StartDir"), nullptr);
    EXPECT_EQ(ValueOf(h, key, "StartDir")->Text, "D:\\Музыка");
    EXPECT_EQ(ValueOf(h, key, "ShowGrid")->Dword, 1u);
    std::vector<std::uint8_t> showItem(22, 0);
    std::fill(showItem.begin(), showItem.begin() + 9, 1);
    EXPECT_EQ(*ValueOf(h, key, "ShowItem"), RegValue::Binary(showItem));
    EXPECT_EQ(*ValueOf(h, key, "Script"), RegValue::ExpandString("%p1%\\%p0n[-4]%"));
}

TEST(RegFileParse, AcceptsBomsHeadersAndEightBitRegedit4Files) {
    const RegHive withBom =
        ParseRegFile("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKCU\\A]\n\"v\"=\"x\"\n", kCU);
    ASSERT_NE(ValueOf(withBom, "A", "v"), nullptr);
    EXPECT_EQ(ValueOf(withBom, "A", "v")->Text, "x");

    // An old 8-bit export: strings in Windows-1251, hex(2) as bytes with one zero terminator.
    const RegHive old = ParseRegFile(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"\xCF\xF0\xE8\xE2\xE5\xF2\"\r\n"
        "\"Exp\"=hex(2):25,cf,25,00\r\n",
        kCU);
    ASSERT_NE(ValueOf(old, "A", "Name"), nullptr);
    EXPECT_EQ(ValueOf(old, "A", "Name")->Text, "Привет");
    EXPECT_EQ(*ValueOf(old, "A", "Exp"), RegValue::ExpandString("%П%"));

    // Invalid UTF-8 in a version 5 file is replaced, never passed on.
    const RegHive bad = ParseRegFile("Windows Registry Editor Version 5.00\n[HKCU\\A]\n\"v\"=\"a\xFF\"\n", kCU);
    ASSERT_NE(ValueOf(bad, "A", "v"), nullptr);
    EXPECT_EQ(ValueOf(bad, "A", "v")->Text, "a\xEF\xBF\xBD");
}

TEST(RegFileParse, KeepsOnlyKeysOfTheRequestedRoot) {
    const std::string file =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Doskvel\\Tagmora]\n"
        "\"Path\"=\"/usr/share/tagmora\"\n"
        "[hkcu\\Software\\Doskvel\\Tagmora]\n"
        "\"ShowGrid\"=dword:00000000\n"
        "[HKEY_CURRENT_USERX\\Other]\n"
        "\"Lost\"=dword:00000001\n"
        "[HKCR\\Directory\\Shell\\Tagmora]\n"
        "@=\"Tag&mora\"\n";
    const RegHive user = ParseRegFile(file, "HKEY_CURRENT_USER");
    ASSERT_EQ(user.Keys.size(), 1u);
    EXPECT_EQ(user.Keys[0].Path, "Software\\Doskvel\\Tagmora");
    ASSERT_EQ(user.Keys[0].Values.size(), 1u);
    EXPECT_EQ(user.Keys[0].Values[0].first, "ShowGrid");

    const RegHive machine = ParseRegFile(file, "HKLM");
    ASSERT_NE(ValueOf(machine, "Software\\Doskvel\\Tagmora", "Path"), nullptr);
    EXPECT_EQ(machine.Keys.size(), 1u);

    const RegHive classes = ParseRegFile(file, "HKEY_CLASSES_ROOT");
    ASSERT_NE(ValueOf(classes, "Directory\\Shell\\Tagmora", ""), nullptr);
    EXPECT_EQ(ValueOf(classes, "Directory\\Shell\\Tagmora", "")->Text, "Tag&mora");
}

TEST(RegFileParse, SkipsMalformedLinesAndKeepsTheRest) {
    const std::string file =
        "Windows Registry Editor Version 5.00\n"
        "\"BeforeAnyKey\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "; a comment\n"
        "\"NoEquals\"\n"
        "\"Unterminated=\"x\n"
        "\"Open\"=\"never closed\n"
        "\"Trailing\"=\"x\" junk\n"
        "\"BadDword\"=dword:xyz\n"
        "\"LongDword\"=dword:123456789\n"
        "\"BadHex\"=hex:01,zz\n"
        "\"WideHex\"=hex:100\n"
        "\"GapHex\"=hex:01,,02\n"
        "\"ShortDword\"=hex(4):01,02\n"
        "\"BadType\"=hex(zz):01\n"
        "\"Word\"=word\n"
        "garbage \x01\x02 line\n"
        "\"Kept\"=dword:00000002\n"
        "[HKEY_CURRENT_USER\\Broken\n"
        "\"AfterBrokenKey\"=dword:00000003\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "\"Also\"=\"kept\"\n";
    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), 1u);
    std::vector<std::string> names;
    for (const auto& v : h.Keys[0].Values) names.push_back(v.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Kept", "Also"}));
}

TEST(RegFileParse, DeletionLinesRemoveKeysAndValues) {
    const std::string file =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:00000001\n\"w\"=dword:00000002\n"
        "[HKEY_CURRENT_USER\\A\\B]\n\"x\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\AB]\n\"y\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\C]\n\"z\"=dword:00000001\n"
        "[-HKEY_CURRENT_USER\\a]\n"
        "\"AfterDeletion\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\C]\n\"z\"=-\n";
    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), 2u);
    EXPECT_EQ(h.Keys[0].Path, "AB");
    EXPECT_EQ(h.Keys[0].Values.size(), 1u);
    EXPECT_EQ(h.Keys[1].Path, "C");
    EXPECT_TRUE(h.Keys[1].Values.empty());
}

TEST(RegFileParse, MergesRepeatedKeysAndValuesIgnoringCase) {
    const std::string file =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\Tagmora]\n\"First\"=dword:00000001\n\"Second\"=dword:00000002\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\tagmora\\]\n\"FIRST\"=dword:00000009\n\"Third\"=dword:00000003\n";
    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), 1u);
    const auto& values = h.Keys[0].Values;
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].first, "First");  // keeps its place and first spelling, takes the later data
    EXPECT_EQ(values[0].second.Dword, 9u);
    EXPECT_EQ(values[1].first, "Second");
    EXPECT_EQ(values[2].first, "Third");
}

TEST(RegHiveLookup, FindsKeysIgnoringCaseAndOuterBackslashes) {
    RegHive h;
    RegKey& created = h.FindOrCreate("\\Software\\Doskvel\\Tagmora\\");
    EXPECT_EQ(created.Path, "Software\\Doskvel\\Tagmora");
    EXPECT_EQ(h.Find("software\\DOSKVEL\\tagmora"), &h.Keys[0]);
    EXPECT_EQ(&h.FindOrCreate("SOFTWARE\\Doskvel\\Tagmora"), &h.Keys[0]);
    EXPECT_EQ(h.Keys.size(), 1u);
    EXPECT_EQ(h.Find("Software\\Doskvel"), nullptr);
    EXPECT_EQ(h.Find("Software\\Doskvel\\Tagmora2"), nullptr);
}

// ---- Rendering --------------------------------------------------------------------------------

TEST(RegFileRender, WritesHeaderKeysAndValuesInRegeditLayout) {
    RegHive h;
    h.FindOrCreate("Software\\Doskvel\\Tagmora").Values = {
        {"StartDir", RegValue::String("C:\\\"Music\"")},
        {"ShowGrid", RegValue::Number(0xA)},
        {"", RegValue::String("default")},
        {"Item", RegValue::Binary({0, 1, 0xFE})},
        {"Exp", RegValue::ExpandString("%A%")},
        {"Multi", Typed(RegType::MultiSz, {0x61, 0, 0, 0})},
    };
    h.FindOrCreate("");
    EXPECT_EQ(RenderRegFile(h, "HKCU"),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Doskvel\\Tagmora]\n"
              "\"StartDir\"=\"C:\\\\\\\"Music\\\"\"\n"
              "\"ShowGrid\"=dword:0000000a\n"
              "@=\"default\"\n"
              "\"Item\"=hex:00,01,fe\n"
              "\"Exp\"=hex(2):25,00,41,00,25,00,00,00\n"
              "\"Multi\"=hex(7):61,00,00,00\n"
              "\n"
              "[HKEY_CURRENT_USER]\n"
              "\n");
}

TEST(RegFileRender, WritesStringsWithControlCharactersAsUtf16Hex) {
    RegHive h;
    h.FindOrCreate("K").Values = {{"Lines", RegValue::String("a\nб")}, {"Tab", RegValue::String("\t")}};
    const std::string out = RenderRegFile(h, kCU);
    EXPECT_NE(out.find("\"Lines\"=hex(1):61,00,0a,00,31,04,00,00\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\"Tab\"=hex(1):09,00,00,00\n"), std::string::npos) << out;
}

TEST(RegFileRender, WrapsLongHexDataAtEightyColumns) {
    RegHive h;
    std::vector<std::uint8_t> bytes(200);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    h.FindOrCreate("K").Values = {{"HeaderWidth", RegValue::Binary(bytes)},
                                  {std::string(90, 'n'), RegValue::Binary({1, 2})}};
    const std::string out = RenderRegFile(h, kCU);
    const auto lines = Lines(out);
    int continuations = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // Only a value name longer than a line may make one longer.
        if (line.size() > 80 && line.find(std::string(90, 'n')) == std::string::npos)
            ADD_FAILURE() << "too long: " << line;
        if (!line.empty() && line.back() == '\\') {
            ++continuations;
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[i + 1].substr(0, 2), "  ");
            EXPECT_TRUE(line.size() == line.find("hex:") + 5 || line.substr(line.size() - 2) == ",\\") << line;
        }
    }
    EXPECT_GE(continuations, 7);  // 200 bytes need at least eight lines of at most 25 bytes
    EXPECT_EQ(ParseRegFile(out, kCU), h);
}

// ---- Round trips ------------------------------------------------------------------------------

TEST(RegFileRoundTrip, RenderThenParseGivesTheSameHive) {
    const RegHive h = EveryKindOfValue();
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKCR"}) {
        const std::string rendered = RenderRegFile(h, root);
        EXPECT_EQ(ParseRegFile(rendered, root), h) << rendered;
        // A UTF-16 copy of the same file (as a Windows editor would save it) reads the same.
        std::string crlf;
        for (char c : rendered) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        EXPECT_EQ(ParseRegFile(text::EncodeUtf16LeWithBom(crlf), root), h);
    }
}

TEST(RegFileRoundTrip, EveryPrefixOfAFileParsesAndRoundTrips) {
    const std::string file =
        RenderRegFile(EveryKindOfValue(), kCU) + "[-HKEY_CURRENT_USER\\X]\n\"a\"=-\n\"b\"=hex(2):41,\\\n";
    for (const std::string& input : {file, text::EncodeUtf16LeWithBom(file)}) {
        for (std::size_t n = 0; n <= input.size(); ++n) {
            const RegHive h = ParseRegFile(std::string_view(input).substr(0, n), kCU);
            ASSERT_EQ(ParseRegFile(RenderRegFile(h, kCU), kCU), h) << "prefix of " << n << " bytes";
        }
    }
}

// Removing a value and writing it again moves it to the end, in small keys and in large ones.
TEST(RegFormat, ValuesRemovedAndWrittenAgainGoLast) {
    for (const int count : {5, 40}) {
        std::string file = "Windows Registry Editor Version 5.00\n[HKCU\\K]\n";
        for (int i = 0; i < count; ++i) file += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
        file += "\"V3\"=-\n\"v4\"=-\n\"missing\"=-\n[HKCU\\k]\n\"V3\"=dword:00000002\n\"v2\"=dword:00000003\n";
        const RegHive h = ParseRegFile(file, kCU);
        ASSERT_EQ(h.Keys.size(), 1u);
        std::vector<std::pair<std::string, RegValue>> expected;
        for (int i = 0; i < count; ++i) {
            if (i != 3 && i != 4) expected.emplace_back("v" + std::to_string(i), RegValue::Number(i == 2 ? 3 : 1));
        }
        expected.emplace_back("V3", RegValue::Number(2));
        EXPECT_EQ(h.Keys[0].Values, expected) << count;
    }
}

}  // namespace
}  // namespace tagmora
