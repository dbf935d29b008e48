// Test support for the renaming tests: a file list over a temporary folder of tagged MP3 files,
// with the recording ports, and a look at every file under the folder.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "rename/Undo.h"
#include "settings/AppSettings.h"

namespace tagmora::test {

// The relative paths of every entry under `root` that is not a folder, sorted byte-wise.
inline void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    DIR* dir = ::opendir((root + "/" + relative).c_str());
    if (dir == nullptr) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        struct stat st {};
        ::lstat((root + "/" + rel).c_str(), &st);
        if (S_ISDIR(st.st_mode)) {
            CollectFiles(root, rel, out);
        } else {
            out.push_back(rel);
        }
    }
    ::closedir(dir);
}

class RenameFixture : public ::testing::Test {
protected:
    RenameFixture() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        settings.IncludeSubDirs = true;
    }

    // An MP3 file with an ID3v2.4 tag of UTF-8 texts (frames only for the texts given); returns
    // its bytes so that a test can check them later.
    std::string Song(const std::string& relative, const std::string& title, const std::string& artist = {},
                     const std::string& album = {}, const std::string& track = {}) {
        std::string frames = Id3v2Frame(4, "TIT2", TextContent(3, title));
        if (!artist.empty()) frames += Id3v2Frame(4, "TPE1", TextContent(3, artist));
        if (!album.empty()) frames += Id3v2Frame(4, "TALB", TextContent(3, album));
        if (!track.empty()) frames += Id3v2Frame(4, "TRCK", TextContent(3, track));
        const std::size_t slash = relative.rfind('/');
        if (slash != std::string::npos) dir.MakeDir(relative.substr(0, slash));
        std::string bytes = Id3v2TagBytes(4, frames) + SilentFrames(1) + relative;  // unique bytes per file
        WriteFile(dir / relative, bytes);
        return bytes;
    }

    // A fresh scan of `folder` (the temporary folder by default) as CurrentFolder, every row read.
    void Scan(const std::string& folder = {}) {
        list.CurrentFolder = folder.empty() ? dir.Path() : folder;
        list.ScanFolder(list.CurrentFolder, false, false);
        BuildList(list, false, false);
    }

    void CheckOnly(std::initializer_list<int> rows) {
        for (auto& row : list.Rows()) row.Checked = false;
        for (int r : rows) list.Rows()[static_cast<std::size_t>(r)].Checked = true;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        CollectFiles(dir.Path(), "", out);
        std::sort(out.begin(), out.end());
        return out;
    }

    // The file names (column 0 without the folder) of the rows, in list order.
    std::vector<std::string> RowNames() const {
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) out.push_back(row.Path().substr(row.Path().rfind('/') + 1));
        return out;
    }

    TempDir dir;
    AppSettings settings;
    RecordingStatus status;
    FakeHost host;
    FileList list;
    UndoList undo;
};

}  // namespace tagmora::test
