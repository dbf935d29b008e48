// The folder context-menu entry "Tag&mora" of this platform: one entry in each common file
// manager's own folder menu, under the per-user data folder ($XDG_DATA_HOME, else
// ~/.local/share):
//
//     kio/servicemenus/tagmora.desktop    Dolphin's service menu (executable)
//     nemo/actions/tagmora.nemo_action    Nemo's action
//     nautilus/scripts/Tagmora            Nautilus's script (executable)
//
// Each runs the installation's program with the chosen folder as its one argument. The
// installation folder "Path" holds the data (PREFIX/share/tagmora) and the program lies in
// PREFIX/bin, in an installation and in the build tree alike. With the installation folder
// /opt/Tag Mora/share/tagmora, the service menu's command line is
//
//     Exec="/opt/Tag Mora/bin/tagmora" %f
//
// The program is never registered as the opener of folders (no MimeType in its own desktop entry).
#pragma once

#include <string>
#include <string_view>

#include "common/ShellPort.h"

namespace tagmora {

// The three entries' paths below the data folder.
inline constexpr const char* kServiceMenuPath = "kio/servicemenus/tagmora.desktop";
inline constexpr const char* kNemoActionPath = "nemo/actions/tagmora.nemo_action";
inline constexpr const char* kNautilusScriptPath = "nautilus/scripts/Tagmora";

// The contents of the three files for the installation folder `installPath`.
std::string ServiceMenuText(std::string_view installPath);
std::string NemoActionText(std::string_view installPath);
std::string NautilusScriptText(std::string_view installPath);

// The program of the installation whose data folder is `installPath`: "/usr/share/tagmora" ->
// "/usr/bin/tagmora" (two folders up, then bin/tagmora).
std::string InstalledProgramPath(std::string_view installPath);

// InstalledProgramPath(installPath) as one argument of a desktop-entry Exec line: in double quotes, with
// '"', '`', '$' and '\' escaped by a backslash and '%' doubled, and then the key file's own value
// escapes applied ('\' doubled; newline, tab and carriage return as \n, \t, \r).
std::string DesktopExecProgram(std::string_view installPath);

// A text as one literal argument of the POSIX shell: in single quotes, each single quote written
// as '\'' ("it's" -> 'it'\''s').
std::string ShellQuote(std::string_view text);

class XdgFolderVerb : public FolderVerbPort {
public:
    // `dataHome`: the per-user data folder the entries go below.
    explicit XdgFolderVerb(std::string dataHome) : dataHome_(std::move(dataHome)) {}

    // $XDG_DATA_HOME when it is set to an absolute path, else $HOME/.local/share.
    static std::string DefaultDataHome();

    // Writes the three files (creating their folders), each atomically. False, with the failing
    // file's path and the system's reason in `error`, when one cannot be written: then none of the
    // three is left.
    bool AddFolderVerb(const std::string& installPath, std::string& error) override;
    // Removes the three files; true when any of them existed.
    bool RemoveFolderVerb() override;
    // True when any of the three files is there.
    bool FolderVerbExists() override;

    const std::string& DataHome() const { return dataHome_; }

private:
    std::string dataHome_;
};

}  // namespace tagmora
