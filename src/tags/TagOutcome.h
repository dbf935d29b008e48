// What a tag write or removal on one file came to: done, nothing to do, or failed at a named step
// with the system's error. The tag layer only reports; the commands decide about boxes, retries
// and summaries.
//
//     TagOutcome{TagResult::Failed, TagStep::WriteTemporary, ENOSPC}
//         -> "writing the new file: No space left on device"
#pragma once

#include <string>

namespace tagmora {

// What reading a tag found: the tag, no tag, or nothing (the file could not be opened or read).
enum class TagRead { Found, NoTag, Failed };

enum class TagResult {
    Done,      // written or removed
    NoTag,     // removal: the file has no such tag; nothing to do
    ReadOnly,  // the file is read-only and TryChangeAttrs is off: left alone
    Missing,   // the file does not exist
    Failed,    // the file is as it was (or, for TagStep::Restore, see Detail)
    Aborted,   // the user chose Abort when the new file could not be put in place
};

// Where a failure happened.
enum class TagStep {
    None,
    Permission,       // making a read-only file writable
    Open,             // opening the file
    Lock,             // waiting for another of the program's processes
    Read,             // reading the old tag
    Damaged,          // the old tag's header cannot be right; Detail says why
    CreateTemporary,  // creating the temporary file or the backup copy
    WriteTemporary,   // writing and flushing the new file
    Changed,          // the file was renamed or replaced by another process meanwhile
    Rename,           // putting the new file in place of the old; Detail: where the new content is
    WriteInPlace,     // writing into the file itself; the old bytes were put back
    Restore,          // writing into the file failed and so did putting the old bytes back
};

struct TagOutcome {
    TagResult Result = TagResult::Done;
    TagStep Step = TagStep::None;
    int Error = 0;       // errno of the failed step
    std::string Detail;  // what is damaged, or a file the user should know of

    bool Done() const { return Result == TagResult::Done; }
    static TagOutcome Fail(TagStep step, int error, std::string detail = {}) {
        return {TagResult::Failed, step, error, std::move(detail)};
    }
};

// The reason of an outcome for a message, in words: "the ID3v2 tag is damaged: its size runs past
// the end of the file", "the file is in use by another Tagmora", "writing the new file: No space
// left on device". Empty for Done.
std::string TagOutcomeText(const TagOutcome& outcome);

}  // namespace tagmora
