// The folder context-menu entry of Dolphin, Nemo and Nautilus.
#include "platform/FolderVerb.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/FileIo.h"

namespace tagmora {

namespace {

struct Entry {
    const char* RelativePath;
    std::string (*Text)(std::string_view installPath);
    unsigned Mode;
};

constexpr Entry kEntries[] = {
    {kServiceMenuPath, &ServiceMenuText, 0755},
    {kNemoActionPath, &NemoActionText, 0644},
    {kNautilusScriptPath, &NautilusScriptText, 0755},
};

std::string Reason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

}  // namespace

std::string InstalledProgramPath(std::string_view installPath) {
    std::filesystem::path data = std::filesystem::path(installPath).lexically_normal();
    if (!data.has_filename()) data = data.parent_path();  // a trailing "/"
    return (data.parent_path().parent_path() / "bin" / "tagmora").string();
}

std::string DesktopExecProgram(std::string_view installPath) {
    // The Exec line's own quoting first.
    std::string quoted = "\"";
    for (const char c : InstalledProgramPath(installPath)) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // Then the escapes of a key file's string value.
    std::string value;
    for (const char c : quoted) {
        switch (c) {
            case '\\': value += "\\\\"; break;
            case '\n': value += "\\n"; break;
            case '\t': value += "\\t"; break;
            case '\r': value += "\\r"; break;
            default: value += c;
        }
    }
    return value;
}

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string ServiceMenuText(std::string_view installPath) {
    return "[Desktop Entry]\n"
           "Type=Service\n"
           "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
           "MimeType=inode/directory;\n"
           "Actions=tagmora;\n"
           "\n"
           "[Desktop Action tagmora]\n"
           "Name=Tag&mora\n"
           "Icon=tagmora\n"
           "Exec=" +
           DesktopExecProgram(installPath) + " %f\n";
}

std::string NemoActionText(std::string_view installPath) {
    return "[Nemo Action]\n"
           "Active=true\n"
           "Name=Tag_mora\n"
           "Comment=Tagmora\n"
           "Exec=" +
           DesktopExecProgram(installPath) +
           " %F\n"
           "Icon-Name=tagmora\n"
           "Selection=s\n"
           "Extensions=dir;\n";
}

std::string NautilusScriptText(std::string_view installPath) {
    // Nautilus starts a script in the folder shown, with the selected names as its arguments
    // (relative for local files); without a selection the folder shown itself is meant.
    return "#!/bin/sh\n"
           "# Tag&mora: the chosen folder in Tagmora.\n"
           "folder=\"$1\"\n"
           "case \"$folder\" in\n"
           "/*) ;;\n"
           "*) folder=\"$PWD/$folder\" ;;\n"
           "esac\n"
           "exec " +
           ShellQuote(InstalledProgramPath(installPath)) + " \"$folder\"\n";
}

std::string XdgFolderVerb::DefaultDataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

bool XdgFolderVerb::AddFolderVerb(const std::string& installPath, std::string& error) {
    for (const Entry& entry : kEntries) {
        const std::filesystem::path path = std::filesystem::path(dataHome_) / entry.RelativePath;
        std::error_code code;
        std::filesystem::create_directories(path.parent_path(), code);
        int failure = code ? code.value() : 0;
        if (failure == 0) {
            const std::string text = entry.Text(installPath);
            const unsigned mode = entry.Mode;
            failure = fileio::ReplaceFileAtomically(path.string(), [&text, mode](int fd) {
                if (::fchmod(fd, mode) != 0) return errno;
                return fileio::WriteAll(fd, text);
            });
        }
        if (failure != 0) {
            error = Reason(path.string(), failure);
            // No half entry: the files already written go again.
            RemoveFolderVerb();
            return false;
        }
    }
    error.clear();
    return true;
}

bool XdgFolderVerb::FolderVerbExists() {
    for (const Entry& entry : kEntries) {
        struct stat st {};
        if (::lstat((dataHome_ + "/" + entry.RelativePath).c_str(), &st) == 0) return true;
    }
    return false;
}

bool XdgFolderVerb::RemoveFolderVerb() {
    bool removed = false;
    for (const Entry& entry : kEntries) {
        const std::string path = dataHome_ + "/" + entry.RelativePath;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (fileio::RemoveFile(path) == 0) removed = true;
    }
    return removed;
}

}  // namespace tagmora
