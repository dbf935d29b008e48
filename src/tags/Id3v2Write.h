// Writing and removing the ID3v2 tag at the start of a file, on the frame layer: the new tag's
// frames come from the old tag's frame list as Id3v2Edit.h edits it; a tag that fits is rewritten
// in place, a tag that grows and a tag that is removed go through a temporary file renamed over the
// original (or, for a file with several names, are rewritten in place after a backup copy).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tags/Id3v2Edit.h"
#include "tags/TagOutcome.h"

namespace tagmora {

// What the user answers when the complete new file cannot be put in place of the old one.
enum class RenameDecision { Abort, Retry, Ignore };

// The writer's state over a run of the program. The writer shows nothing itself.
struct Id3v2WriteSession {
    int CodePage = 1251;
    // Asked, with the errno, when the complete new file cannot be renamed over the original; the
    // new content is then kept in the file `keptPath` beside it. Retry tries the rename again;
    // Abort and Ignore leave the original as it is and the new content where it is (its name in
    // the outcome's Detail). Unset: Ignore.
    std::function<RenameDecision(const std::string& path, int error, const std::string& keptPath)> AfterFailedRename =
        {};
    // The box's Ignore holds for the rest of the run (the command that asks keeps it here).
    bool IgnoreDeleteErrors = false;
    // Folders already cleared of killed writes' leftovers in this run, and the backup copies of
    // interrupted rewrites found there (never removed: the commands name them to the user).
    std::set<std::string> SweptFolders = {};
    std::vector<std::string> BackupsFound = {};
    // Tests only: called with the number of bytes written to the new file so far, after the tag
    // and after each block of audio (a test can interrupt the write there).
    std::function<void(std::uint64_t written)> AfterTemporaryWrite = {};
};

// The total size given to a tag that grows, when its frames fit.
inline constexpr std::uint64_t kId3v2NewTagSize = 2064;
// The zero padding after the frames of a tag that grows beyond kId3v2NewTagSize.
inline constexpr std::uint64_t kId3v2GrowPadding = 1024;
// The block in which audio is copied into the temporary file.
inline constexpr std::size_t kId3v2CopyBlockSize = 65536;

// Why a tag header read for a write cannot be right, or "" when it can: a major version other than
// 2, 3 or 4, size bytes with the high bit set, or a size that runs past `end`, the end of the file
// before any ID3v1, APE or Lyrics tag at its end. `head` holds the first 10 bytes of the file.
std::string Id3v2HeaderDamage(const unsigned char* head, std::uint64_t end);

// Why a write would refuse the ID3v2 tag of the file `path` as damaged (Id3v2HeaderDamage), or ""
// when it would not (no tag, a sound header, or a file that cannot be read: the write says why).
std::string Id3v2FileDamage(const std::string& path);

// Writes the tag of `record` into the file `path` (Missing, Failed, Aborted or Done).
//
// The new tag is rewritten in place when its frames end before the old tag's end (the rest up to
// there becomes zero padding; the audio does not move; a failed write puts the old bytes back);
// otherwise the file is rebuilt with a tag of kId3v2NewTagSize bytes (or the frames plus
// kId3v2GrowPadding when they need more). A file with one name is rebuilt in a new temporary
// file, flushed and renamed over the original in one step; a file with several names (hard
// links) is rewritten in place after a flushed backup copy beside it, removed once the new content
// is flushed, so that every name keeps showing the one file. A damaged old tag
// (Id3v2HeaderDamage) is refused and the file left alone. The file is locked while it is written,
// and the program's leftovers in its folder are swept once per session.
TagOutcome WriteId3v2Tag(const std::string& path, const Id3v2WriteRecord& record, Id3v2WriteSession& session);

// Removes the ID3v2 tag: Done, NoTag, ReadOnly (read-only and `tryChangeAttrs` off), Missing,
// Failed or Aborted. The file without its tag is written as a growing write is; a damaged tag is
// refused.
TagOutcome RemoveId3v2Tag(const std::string& path, bool tryChangeAttrs, Id3v2WriteSession& session);

}  // namespace tagmora
