// Tests of the settings store: the .reg text format, atomic replacement and the file-backed store.
// Parse and render are checked in pairs; every failure case leaves the old file as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "TestFiles.h"
#include "common/Text.h"
#include "settings/SettingsStore.h"

namespace tagmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr const char* kCU = "HKEY_CURRENT_USER";

const RegValue* ValueOf(const RegHive& hive, std::string_view key, std::string_view name) {
    const RegKey* k = hive.Find(key);
    if (k == nullptr) return nullptr;
    for (const auto& [n, v] : k->Values) {
        if (n == name) return &v;
    }
    return nullptr;
}

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

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string HexDword(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    return digits;
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

// ---- Atomic replacement -----------------------------------------------------------------------

TEST(AtomicWrite, CreatesFoldersAndLeavesNoTemporaryFiles) {
    TempDir dir;
    const std::string path = dir / "a/b/settings.reg";
    ASSERT_EQ(WriteFileAtomically(path, "first"), 0);
    EXPECT_EQ(ReadFile(path), "first");
    ASSERT_EQ(WriteFileAtomically(path, "second, longer"), 0);
    EXPECT_EQ(ReadFile(path), "second, longer");
    ASSERT_EQ(WriteFileAtomically(path, ""), 0);
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(FolderEntries(dir / "a/b"), std::vector<std::string>{"settings.reg"});
}

TEST(AtomicWrite, KeepsPermissionsAndSymbolicLinks) {
    TempDir dir;
    const std::string real = dir / "real.reg";
    WriteFile(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::string link = dir / "link.reg";
    fs::create_symlink(real, link);

    ASSERT_EQ(WriteFileAtomically(link, "new"), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"link.reg", "real.reg"}));
}

TEST(AtomicWrite, FailsWithoutTouchingAnythingWhenTheFolderCannotBeMade) {
    TempDir dir;
    WriteFile(dir / "plain", "a regular file");
    EXPECT_EQ(WriteFileAtomically(dir / "plain/sub/settings.reg", "x"), ENOTDIR);
    EXPECT_EQ(WriteFileAtomically(dir / "plain/settings.reg", "x"), ENOTDIR);
    EXPECT_EQ(ReadFile(dir / "plain"), "a regular file");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"plain"});
}

TEST(AtomicWrite, FailureLeavesTheOldFileIntact) {
    TempDir dir;
    // The name fits the file system, the temporary name beside it does not: creating it fails.
    const std::string path = dir / std::string(250, 'n');
    WriteFile(path, "old contents");
    EXPECT_EQ(WriteFileAtomically(path, "new contents"), ENAMETOOLONG);
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);

    // A folder in the way of the rename.
    fs::create_directory(dir / "folder.reg");
    EXPECT_EQ(WriteFileAtomically(dir / "folder.reg", "x"), EISDIR);
    EXPECT_TRUE(fs::is_directory(dir / "folder.reg"));
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u);
}

// ---- FileSettingsStore ------------------------------------------------------------------------

const std::string kKey = "Software\\Doskvel\\Tagmora";

TEST(FileStore, MissingFileIsAnEmptyHiveAndWritesCreateIt) {
    TempDir dir;
    const std::string user = dir / "config/tagmora/user.reg";
    FileSettingsStore store(user, dir / "machine.reg");
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kKey));
    EXPECT_FALSE(store.ReadValue(Hive::LocalMachine, kKey, "Path").has_value());
    EXPECT_FALSE(fs::exists(user));

    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}, {"B", RegValue::String("b")}}));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "software\\doskvel\\TAGMORA"));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "Software\\Doskvel"));  // a parent of a stored key
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Software\\Dosk"));
    EXPECT_EQ(FolderEntries(dir / "config/tagmora"), std::vector<std::string>{"user.reg"});

    const RegHive onDisk = ParseRegFile(ReadFile(user), "HKEY_CURRENT_USER");
    ASSERT_NE(ValueOf(onDisk, kKey, "B"), nullptr);
    EXPECT_EQ(ValueOf(onDisk, kKey, "B")->Text, "b");
    FileSettingsStore reopened(user, "");
    EXPECT_EQ(reopened.ReadValue(Hive::CurrentUser, kKey, "a"), RegValue::Number(1));
}

TEST(FileStore, WritesReplaceValuesInPlaceAndAppendNewOnes) {
    TempDir dir;
    FileSettingsStore store(dir / "user.reg", "");
    ASSERT_TRUE(
        store.WriteValues(Hive::CurrentUser, kKey, {{"One", RegValue::Number(1)}, {"Two", RegValue::Number(2)}}));
    ASSERT_TRUE(
        store.WriteValues(Hive::CurrentUser, kKey, {{"three", RegValue::Number(3)}, {"ONE", RegValue::String("uno")}}));
    const RegHive h = ParseRegFile(ReadFile(dir / "user.reg"), "HKEY_CURRENT_USER");
    ASSERT_EQ(h.Keys.size(), 1u);
    ASSERT_EQ(h.Keys[0].Values.size(), 3u);
    EXPECT_EQ(h.Keys[0].Values[0].first, "One");
    EXPECT_EQ(h.Keys[0].Values[0].second, RegValue::String("uno"));
    EXPECT_EQ(h.Keys[0].Values[1].first, "Two");
    EXPECT_EQ(h.Keys[0].Values[2].first, "three");
}

TEST(FileStore, FailedSaveKeepsTheOldFileAndTheOldValues) {
    TempDir dir;
    const std::string user = dir / std::string(250, 'u');
    const std::string original =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"A\"=dword:00000001\n\n";
    WriteFile(user, original);
    FileSettingsStore store(user, "");
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(2)}, {"B", RegValue::Number(3)}}));
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, "Other", {}));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, kKey));
    EXPECT_EQ(ReadFile(user), original);
    EXPECT_EQ(store.ReadValue(Hive::CurrentUser, kKey, "A"), RegValue::Number(1));
    EXPECT_FALSE(store.ReadValue(Hive::CurrentUser, kKey, "B").has_value());
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Other"));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, kKey));
}

TEST(FileStore, DeleteKeyRemovesTheWholeSubtree) {
    TempDir dir;
    FileSettingsStore store("", "", dir / "classes.reg");
    ASSERT_TRUE(
        store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\Tagmora", {{"", RegValue::String("Tag&mora")}}));
    ASSERT_TRUE(
        store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\Tagmora\\command", {{"", RegValue::String("cmd")}}));
    ASSERT_TRUE(store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\TagmoraOther", {}));
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory\\Shell\\Missing"));
    ASSERT_TRUE(store.DeleteKey(Hive::ClassesRoot, "directory\\shell\\tagmora"));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Directory\\Shell\\Tagmora\\command"));
    EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, "Directory\\Shell\\TagmoraOther"));
    const RegHive onDisk = ParseRegFile(ReadFile(dir / "classes.reg"), "HKEY_CLASSES_ROOT");
    ASSERT_EQ(onDisk.Keys.size(), 1u);
    EXPECT_EQ(onDisk.Keys[0].Path, "Directory\\Shell\\TagmoraOther");
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory\\Shell\\Tagmora"));
}

TEST(FileStore, AHiveWithoutAFileFindsNothingAndTakesNoWrites) {
    FileSettingsStore store("", "");
    EXPECT_FALSE(store.WriteValues(Hive::ClassesRoot, "Directory", {{"x", RegValue::Number(1)}}));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Directory"));
    EXPECT_FALSE(store.ReadValue(Hive::ClassesRoot, "Directory", "x").has_value());
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory"));
}

TEST(FileStore, AnUnreadableHiveIsNeverReplaced) {
    TempDir dir;
    fs::create_directory(dir / "user.reg");  // something that exists but is no file
    FileSettingsStore store(dir / "user.reg", "");
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kKey));
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, kKey, {{"x", RegValue::Number(1)}}));
    EXPECT_TRUE(fs::is_directory(dir / "user.reg"));
}

TEST(FileStore, SeesChangesAnotherStoreSavedAndKeepsThem) {
    TempDir dir;
    const std::string user = dir / "user.reg";
    FileSettingsStore first(user, "");
    FileSettingsStore second(user, "");
    ASSERT_TRUE(first.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}}));
    EXPECT_EQ(second.ReadValue(Hive::CurrentUser, kKey, "A"), RegValue::Number(1));
    ASSERT_TRUE(second.WriteValues(Hive::CurrentUser, kKey, {{"B", RegValue::Number(2)}}));
    EXPECT_EQ(first.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
    ASSERT_TRUE(first.WriteValues(Hive::CurrentUser, kKey, {{"C", RegValue::Number(3)}}));
    FileSettingsStore third(user, "");
    EXPECT_EQ(third.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
    EXPECT_EQ(third.ReadValue(Hive::CurrentUser, kKey, "C"), RegValue::Number(3));
}

// A save killed between creating its temporary file and renaming it leaves the file behind; the
// next save of that hive clears it, and nothing else.
TEST(FileStore, ASaveClearsTheTemporaryFilesOfKilledSaves) {
    TempDir dir;
    const std::string user = dir / "user.reg";
    FileSettingsStore store(user, "");
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}}));
    const std::vector<std::string> leftovers = {".user.reg.tmp-Ab12Cd", ".user.reg.tmp-zzzzzz"};
    const std::vector<std::string> kept = {".machine.reg.tmp-Ab12Cd",  ".user.reg.tmp-Ab12C",  "user.reg.tmp-Ab12Cd",
                                           ".user.reg.tmp-Ab12Cd.bak", ".user.reg.tmp-dir000", "notes.txt"};
    for (const auto& name : leftovers) WriteFile(dir / name, "[HKEY_CURRENT_USER\\half");
    for (const auto& name : kept) {
        if (name.ends_with("dir000")) {
            dir.MakeDir(name);
        } else {
            WriteFile(dir / name, "not the store's");
        }
    }
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const auto& e : fs::directory_iterator(dir.Path())) fs::last_write_time(e.path(), longAgo);

    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"B", RegValue::Number(2)}}));
    std::vector<std::string> expected = kept;
    expected.push_back("user.reg");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
    EXPECT_EQ(store.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
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

// A store far larger than any real one: 100,000 keys, and one key with 100,000 values. Loading
// it, looking every value up by name and saving it again must not compare names pairwise.
TEST(FileStore, AHugeHiveLoadsWholeAndSavesBackUnchanged) {
    constexpr int kCount = 100000;
    std::string file = "Windows Registry Editor Version 5.00\n\n";
    for (int i = 0; i < kCount; ++i) {
        file += "[HKEY_CURRENT_USER\\Bulk\\K" + std::to_string(i) + "]\n\"N\"=dword:" + HexDword(i) + "\n";
    }
    file += "[HKEY_CURRENT_USER\\Wide]\n";
    for (int i = 0; i < kCount; ++i) file += "\"V" + std::to_string(i) + "\"=dword:" + HexDword(i) + "\n";
    // A key and a value met again, in other cases: merged into the first ones, in their places.
    file += "[HKEY_CURRENT_USER\\BULK\\k7]\n\"n\"=dword:00000000\n[HKEY_CURRENT_USER\\wide]\n\"v5\"=dword:00000000\n";

    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), static_cast<std::size_t>(kCount) + 1);
    const RegKey& wide = h.Keys.back();
    ASSERT_EQ(wide.Path, "Wide");
    ASSERT_EQ(wide.Values.size(), static_cast<std::size_t>(kCount));
    // Each value holds its number, but the two written again hold 0.
    const auto number = [](int i, int rewritten) { return RegValue::Number(i == rewritten ? 0 : i); };
    int wrong = 0;
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        const RegKey& key = h.Keys[static_cast<std::size_t>(i)];
        if (key.Path != "Bulk\\K" + n || key.Values.size() != 1 || key.Values[0].first != "N") ++wrong;
        if (key.Values[0].second != number(i, 7)) ++wrong;
        const auto& [name, value] = wide.Values[static_cast<std::size_t>(i)];
        if (name != "V" + n || value != number(i, 5)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // Every value by name through the store, ignoring case.
    TempDir dir;
    const std::string user = dir / "user.reg";
    WriteFile(user, file);
    FileSettingsStore store(user, "");
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        if (store.ReadValue(Hive::CurrentUser, "bulk\\k" + n, "n") != number(i, 7)) ++wrong;
        if (store.ReadValue(Hive::CurrentUser, "WIDE", "v" + n) != number(i, 5)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // Load, save, load: a write of a value as it stands gives the same hive back.
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, "Bulk\\K0", {{"n", RegValue::Number(0)}}));
    EXPECT_TRUE(ParseRegFile(ReadFile(user), kCU) == h);
}

// Sets or removes an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FileStore, DefaultHivePathsFollowTheBaseDirectoriesAndTheProgramFolder) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/xdg-config");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/tmp/xdg-config/tagmora/user.reg");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/home/someone/.config/tagmora/user.reg");
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/home/someone/.config/tagmora/user.reg");
    }
    const fs::path exeFolder = fs::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(FileSettingsStore::DefaultMachineHivePath(),
              (exeFolder.parent_path() / "share/tagmora/machine.reg").string());
}

}  // namespace
}  // namespace tagmora
