// The hand-offs to the player, the clipboard, the About box and the help viewer.
#include "mark/HandOffs.h"

#include <unistd.h>

#include <algorithm>

#include "common/Messages.h"
#include "common/ShellPort.h"
#include "filelist/FileList.h"

namespace tagmora {

namespace {

// The words joined by blanks, a word with a blank in double quotes: the command as the user would
// type it.
std::string ShownCommand(const std::vector<std::string>& words) {
    std::string shown;
    for (const std::string& word : words) {
        if (!shown.empty()) shown += ' ';
        const bool quote = word.empty() || word.find_first_of(" \t") != std::string::npos;
        shown += quote ? "\"" + word + "\"" : word;
    }
    return shown;
}

// What one argument or environment string takes of the system's limit: its bytes, its
// terminating zero and its pointer.
std::size_t ArgumentCost(const std::string& word) { return word.size() + 1 + sizeof(char*); }

}  // namespace

extern "C" char** environ;

std::size_t EnqueueArgumentLimit() {
    const long max = ::sysconf(_SC_ARG_MAX);
    std::size_t limit = max > 0 ? static_cast<std::size_t>(max) : 128 * 1024;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        limit -= std::min(limit, ArgumentCost(*entry));
    }
    // The room xargs leaves too, for what the starting program adds.
    return limit - std::min<std::size_t>(limit, 2048);
}

std::vector<std::vector<std::string>> EnqueueCommandBatches(std::string_view setting,
                                                            const std::vector<std::string>& files,
                                                            std::size_t argumentLimit) {
    const std::vector<std::string> words = EnqueueCommandWords(setting);
    std::size_t wordsCost = 0;
    for (const std::string& word : words) wordsCost += ArgumentCost(word);
    std::vector<std::vector<std::string>> batches;
    std::size_t cost = 0;
    for (const std::string& file : files) {
        // A file that does not fit starts a new batch; one too long for any goes alone.
        if (batches.empty() || (batches.back().size() > words.size() && cost + ArgumentCost(file) > argumentLimit)) {
            batches.push_back(words);
            cost = wordsCost;
        }
        batches.back().push_back(file);
        cost += ArgumentCost(file);
    }
    return batches;
}

std::vector<std::string> EnqueueCommandWords(std::string_view setting) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : setting) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    if (words.empty()) return EnqueueCommandWords(kDefaultEnqueueCommand);
    return words;
}

std::vector<std::string> EnqueueCommandLine(std::string_view setting, const std::vector<std::string>& files) {
    std::vector<std::string> command = EnqueueCommandWords(setting);
    command.insert(command.end(), files.begin(), files.end());
    return command;
}

void EnqInWinampMnuClick(FileList& list, ShellPort& shell, std::size_t argumentLimit) {
    if (!list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return;
    }
    list.Status().ShowStatus(kStatusWait);
    std::vector<std::string> files;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (list.Rows()[static_cast<std::size_t>(i)].Checked) files.push_back(list.RowPath(i));
    }
    const std::string& setting = list.Settings().EnqueueCommand;
    for (const std::vector<std::string>& command : EnqueueCommandBatches(setting, files, argumentLimit)) {
        if (shell.StartDetached(command)) continue;
        list.HostPort().ShowMessage(kPlayerNotStarted + ShownCommand(EnqueueCommandWords(setting)), kProductName,
                                    MessageIcon::Error, MessageButtons::Ok);
        list.Status().ShowTotal();
        return;
    }
    list.Status().ShowStatusBriefly(kStatusDone);
}

std::string CheckedTitlesText(const FileList& list) {
    std::string text;
    for (const FileRow& row : list.Rows()) {
        if (!row.Checked) continue;
        text += row.ColumnText(ColTitle);
        text += "\r\n";
    }
    return text;
}

void CopyToClipbrdMnuClick(FileList& list, ShellPort& shell) {
    list.Status().ShowStatus(kStatusWait);
    if (!list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return;
    }
    shell.SetClipboardText(CheckedTitlesText(list));
    list.Status().ShowStatusBriefly(kStatusDone);
}

std::string VersionLine(std::string_view version) {
    std::string line = kProductName;
    if (!version.empty()) line += " version " + std::string(version);
    return line;
}

std::string AboutText(std::string_view version) {
    return std::string(kAboutDescription) + "\n\n" + kAboutAuthor + "\n" + VersionLine(version);
}

void AboutMnuClick(Host& host, std::string_view version) {
    host.ShowMessage(AboutText(version), kProductName, MessageIcon::Information, MessageButtons::Ok);
}

std::string HelpFilePath(std::string_view installPath) {
    if (installPath.empty()) return kHelpFileName;
    std::string path(installPath);
    if (path.back() != '/') path += '/';
    return path + kHelpFileName;
}

void OpenHelpFile(Host& host, ShellPort& shell, std::string_view installPath, std::string_view anchor) {
    const std::string path = HelpFilePath(installPath);
    const auto notOpened = [&host, path] {
        host.ShowMessage(kHelpNotOpened + path, kProductName, MessageIcon::Error, MessageButtons::Ok);
    };
    if (!shell.OpenDocument(path, std::string(anchor), notOpened)) notOpened();
}

}  // namespace tagmora
