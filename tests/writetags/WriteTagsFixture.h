// Test support for the batch tag tests: a file list over a temporary folder of tagged MP3 files,
// the recording ports, a dialog that answers as told and a tag engine that records what it gets.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "writetags/TagEngine.h"
#include "writetags/WriteTagsDialog.h"

namespace tagmora::test {

// Answers the batch tag dialog with `Answer` (nothing: cancel) and keeps the request.
class FakeWriteTagsDialog : public WriteTagsDialogPort {
public:
    std::optional<WriteTagsAnswer> AskWriteTags(const WriteTagsRequest& request, const FileList&) override {
        Requests.push_back(request);
        return Answer;
    }
    std::optional<WriteTagsAnswer> Answer;
    std::vector<WriteTagsRequest> Requests;
};

// Records every call, in order, and answers Done unless `Results` names the file.
struct RecordingEngine {
    std::vector<std::string> Calls;  // "v1:<name>", "v2:<name>", "rm1:<name>", "rm2:<name>"
    std::vector<Id3v1Tag> V1;
    std::vector<Id3v2WriteRecord> V2;
    std::map<std::string, TagOutcome> Results;  // by file name

    static std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }
    TagOutcome Result(const std::string& path) const {
        const auto found = Results.find(Name(path));
        return found == Results.end() ? TagOutcome{} : found->second;
    }
    TagEngine Engine() {
        TagEngine e;
        e.WriteId3v1 = [this](const std::string& path, const Id3v1Tag& tag) {
            Calls.push_back("v1:" + Name(path));
            V1.push_back(tag);
            return Result(path);
        };
        e.WriteId3v2 = [this](const std::string& path, const Id3v2WriteRecord& record) {
            Calls.push_back("v2:" + Name(path));
            V2.push_back(record);
            return Result(path);
        };
        e.RemoveId3v1 = [this](const std::string& path) {
            Calls.push_back("rm1:" + Name(path));
            return Result(path);
        };
        e.RemoveId3v2 = [this](const std::string& path) {
            Calls.push_back("rm2:" + Name(path));
            return Result(path);
        };
        return e;
    }
};

class WriteTagsFixture : public ::testing::Test {
protected:
    WriteTagsFixture() : list(settings, status, host) {
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        settings.IncludeSubDirs = false;
        settings.TryChangeAttrs = false;
        settings.TAGReadSequence = 2;  // ID3v2, then ID3v1
        settings.ResizeTabHeaders = false;
    }

    // An MP3 file with an ID3v2.3 tag of the fields given (Latin-1 texts) and, with `v1`, an ID3v1 tag.
    std::string Song(const std::string& name, const std::string& title, const std::string& track = {},
                     const std::string& comment = {}, const std::string& genre = {}, bool v1 = false) {
        std::string frames = Id3v2Frame(3, "TIT2", TextContent(0, title));
        frames += Id3v2Frame(3, "TPE1", TextContent(0, "Artist " + title));
        frames += Id3v2Frame(3, "TALB", TextContent(0, "Album"));
        frames += Id3v2Frame(3, "TYER", TextContent(0, "1999"));
        if (!track.empty()) frames += Id3v2Frame(3, "TRCK", TextContent(0, track));
        if (!comment.empty()) frames += Id3v2Frame(3, "COMM", std::string("\0engOwn\0", 8) + comment);
        if (!genre.empty()) frames += Id3v2Frame(3, "TCON", TextContent(0, genre));
        frames += Id3v2Frame(3, "TCOM", TextContent(0, "Composer")) + ExtraFrames;
        std::string bytes = Id3v2TagBytes(3, frames, 64) + SilentFrames(1);
        if (v1) bytes += Id3v1Bytes("V1 " + title, "V1 Artist", "V1 Album", "2001", "V1 note", 4, 17);
        WriteFile(dir / name, bytes);
        return dir / name;
    }
    // An MP3 file with only an ID3v1 tag, or none.
    std::string V1Song(const std::string& name, const std::string& title, std::uint8_t track = 0) {
        WriteFile(dir / name, SilentFrames(1) + Id3v1Bytes(title, "Artist", "Album", "2000", "Note", track, 13));
        return dir / name;
    }
    std::string Untagged(const std::string& name) {
        WriteFile(dir / name, SilentFrames(1));
        return dir / name;
    }

    void Scan() {
        list.CurrentFolder = dir.Path();
        list.ScanFolder(list.CurrentFolder, false, false);
        BuildList(list, false, false);
        status.Log.clear();
        status.Progress.clear();
    }
    void CheckOnly(std::initializer_list<int> rows) {
        for (auto& row : list.Rows()) row.Checked = false;
        for (int r : rows) list.Rows()[static_cast<std::size_t>(r)].Checked = true;
    }
    static void MakeReadOnly(const std::string& path) { ::chmod(path.c_str(), 0444); }

    // An answer that keeps every field.
    static WriteTagsAnswer KeepAll(int mode) {
        WriteTagsAnswer a;
        a.Mode = mode;
        for (std::string* f :
             {&a.Title, &a.Artist, &a.Album, &a.Year, &a.Genre, &a.Comment, &a.Track, &a.CommentOwner, &a.Composer,
              &a.OrigArtist, &a.Copyright, &a.TIT1, &a.TSSE, &a.MCDI, &a.UFID, &a.TXXX, &a.EncodedBy, &a.URL}) {
            *f = "Оставить как есть";
        }
        return a;
    }

    TempDir dir;
    std::string ExtraFrames;  // appended to the frames of every Song
    AppSettings settings;
    RecordingStatus status;
    FakeHost host;
    FileList list;
    FakeWriteTagsDialog dialog;
    RecordingEngine engine;
};

}  // namespace tagmora::test
