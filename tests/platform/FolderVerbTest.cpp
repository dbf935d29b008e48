// Tests of the folder context-menu entry: the three files' exact contents for plain, empty and
// awkward installation folders, their permissions, the script run by a real shell, removal, and a
// failed write that leaves no entry behind.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "AccessOverride.h"
#include "TestFiles.h"
#include "platform/FolderVerb.h"

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

struct VerbCase {
    std::string InstallPath;
    std::string Exec;    // the program as the service menu and the Nemo action write it
    std::string Script;  // the program as the Nautilus script writes it
};

const VerbCase kCases[] = {
    {"/opt/tagmora/share/tagmora", R"("/opt/tagmora/bin/tagmora")", "'/opt/tagmora/bin/tagmora'"},
    // An empty installation folder: the program relative to the folder the file manager is in.
    {"", R"("bin/tagmora")", "'bin/tagmora'"},
    {"/opt/Tag Mora/it's \"q\"/share/tagmora/", R"("/opt/Tag Mora/it's \\"q\\"/bin/tagmora")",
     R"('/opt/Tag Mora/it'\''s "q"/bin/tagmora')"},
    // Exec quoting escapes $, ` and \ (the backslash twice: once for Exec, once for the key file)
    // and doubles %.
    {"/a$b`c\\d%e/share/tagmora", R"("/a\\$b\\`c\\\\d%%e/bin/tagmora")", R"('/a$b`c\d%e/bin/tagmora')"},
};

TEST(FolderVerbTest, EachFileHasItsExactContent) {
    for (const VerbCase& c : kCases) {
        SCOPED_TRACE(c.InstallPath);
        TempDir dir;
        XdgFolderVerb verb(dir.Path());
        std::string error = "stale";
        ASSERT_TRUE(verb.AddFolderVerb(c.InstallPath, error));
        EXPECT_EQ(error, "");
        EXPECT_EQ(ReadFile(dir / kServiceMenuPath),
                  "[Desktop Entry]\nType=Service\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                  "MimeType=inode/directory;\nActions=tagmora;\n\n[Desktop Action tagmora]\nName=Tag&mora\n"
                  "Icon=tagmora\nExec=" +
                      c.Exec + " %f\n");
        EXPECT_EQ(ReadFile(dir / kNemoActionPath),
                  "[Nemo Action]\nActive=true\nName=Tag_mora\nComment=Tagmora\nExec=" + c.Exec +
                      " %F\nIcon-Name=tagmora\nSelection=s\nExtensions=dir;\n");
        EXPECT_EQ(ReadFile(dir / kNautilusScriptPath),
                  "#!/bin/sh\n# Tag&mora: the chosen folder in Tagmora.\nfolder=\"$1\"\ncase \"$folder\" in\n/*) ;;\n"
                  "*) folder=\"$PWD/$folder\" ;;\nesac\nexec " +
                      c.Script + " \"$folder\"\n");
        EXPECT_EQ(ModeOf(dir / kServiceMenuPath), 0755u);
        EXPECT_EQ(ModeOf(dir / kNemoActionPath), 0644u);
        EXPECT_EQ(ModeOf(dir / kNautilusScriptPath), 0755u);
    }
}

// An Exec line as a file manager runs it: key-file escapes undone, %% a percent, %f or %F the folder.
std::string ExecCommand(const std::string& entry, const std::string& folder) {
    std::string command;
    for (std::size_t i = entry.find("\nExec=") + 6; entry[i] != '\n'; ++i) {
        if (entry[i] == '\\' || (entry[i] == '%' && entry[i + 1] == '%')) command += entry[++i];
        else if (entry[i] == '%') command += ShellQuote(folder), ++i;
        else command += entry[i];
    }
    return command;
}

// The Nautilus script and the entries' Exec start an awkward installation's PREFIX/bin/tagmora with
// the chosen folder (absolute, or relative to the folder shown) as one literal argument.
TEST(FolderVerbTest, NautilusScriptRunsTheProgramOnTheFolder) {
    TempDir dir;
    const std::string install = dir.MakeDir("in'st $HOME `x` \"q\" 50%/bin");
    const std::string out = dir / "args.txt";
    WriteFile(install + "/tagmora", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\" >> '" + out + "'; done\n");
    ::chmod((install + "/tagmora").c_str(), 0755);
    XdgFolderVerb verb(dir / "data");
    std::string error;
    ASSERT_TRUE(verb.AddFolderVerb(install + "/../share/tagmora", error)) << error;
    const std::string shown = dir.MakeDir("shown");
    const std::string command = "cd '" + shown + "' && '" + (dir / "data/") + kNautilusScriptPath +
                                "' '/music/A b' && '" + (dir / "data/") + kNautilusScriptPath + "' 'Sub dir' && " +
                                ExecCommand(ReadFile((dir / "data/") + kServiceMenuPath), "/m/it's $x") + " && " +
                                ExecCommand(ReadFile((dir / "data/") + kNemoActionPath), "/m/50%");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(out), "[/music/A b]\n[" + shown + "/Sub dir]\n[/m/it's $x]\n[/m/50%]\n");
}

TEST(FolderVerbTest, RemovalDeletesTheFilesAndSaysWhetherAnyExisted) {
    TempDir dir;
    XdgFolderVerb verb(dir.Path());
    EXPECT_FALSE(verb.RemoveFolderVerb());
    std::string error;
    ASSERT_TRUE(verb.AddFolderVerb("/opt/tagmora", error));
    // Writing again replaces the files in place.
    ASSERT_TRUE(verb.AddFolderVerb("/usr/share/tagmora", error));
    EXPECT_NE(ReadFile(dir / kNemoActionPath).find("\"/usr/bin/tagmora\" %F"), std::string::npos);
    EXPECT_TRUE(verb.RemoveFolderVerb());
    EXPECT_FALSE(Exists(dir / kServiceMenuPath));
    EXPECT_FALSE(Exists(dir / kNemoActionPath));
    EXPECT_FALSE(Exists(dir / kNautilusScriptPath));
    EXPECT_FALSE(verb.RemoveFolderVerb());
    // One file left of three still counts.
    WriteFile(dir / kNautilusScriptPath, "#!/bin/sh\n");
    EXPECT_TRUE(verb.RemoveFolderVerb());
    EXPECT_FALSE(Exists(dir / kNautilusScriptPath));
}

// A folder that cannot be written: the service menu was written before the Nemo action failed,
// and it goes again; the reason names the file and the system's cause.
TEST(FolderVerbTest, AFailedWriteLeavesNoEntry) {
    TempDir dir;
    const std::string actions = dir.MakeDir("nemo/actions");
    ::chmod(actions.c_str(), 0555);
    const int result = test::RunWithoutAccessOverride([&] {
        XdgFolderVerb verb(dir.Path());
        std::string error;
        if (verb.AddFolderVerb("/opt/tagmora", error)) return 1;
        if (error != (dir / kNemoActionPath) + ": " + std::strerror(EACCES)) return 2;
        if (Exists(dir / kServiceMenuPath) || Exists(dir / kNautilusScriptPath)) return 3;
        if (!std::filesystem::is_empty(actions)) return 4;
        return 0;
    });
    ::chmod(actions.c_str(), 0755);
    EXPECT_EQ(result, 0);
}

// The program's own desktop entry never makes it the opener of folders.
TEST(FolderVerbTest, ProgramDesktopEntryClaimsNoFolders) {
    const std::string entry = ReadFile(TAGMORA_SOURCE_DIR "/data/tagmora.desktop");
    ASSERT_FALSE(entry.empty());
    EXPECT_EQ(entry.find("inode/directory"), std::string::npos);
}

}  // namespace
}  // namespace tagmora
