// The reasons of tag write outcomes, in words.
#include "tags/TagOutcome.h"

#include <cerrno>
#include <cstring>

namespace tagmora {

namespace {

const char* Doing(TagStep step) {
    switch (step) {
        case TagStep::Permission: return "making the file writable";
        case TagStep::Open: return "opening the file";
        case TagStep::Lock: return "locking the file";
        case TagStep::Read: return "reading the old tag";
        case TagStep::CreateTemporary: return "creating a file beside it";
        case TagStep::WriteTemporary: return "writing the new file";
        case TagStep::Rename: return "putting the new file in place of the old one";
        case TagStep::WriteInPlace: return "writing the tag into the file (its old bytes were put back)";
        case TagStep::Restore: return "writing the tag into the file, and putting its old bytes back";
        default: return "writing";
    }
}

}  // namespace

std::string TagOutcomeText(const TagOutcome& outcome) {
    switch (outcome.Result) {
        case TagResult::Done: return {};
        case TagResult::NoTag: return "the file has no such tag";
        case TagResult::ReadOnly: return "the file is read-only (TryChangeAttrs=0)";
        case TagResult::Missing: return "the file does not exist";
        case TagResult::Aborted:
            if (outcome.Error == 0)
                return outcome.Detail.empty() ? "aborted" : "aborted; the new content stays in " + outcome.Detail;
            return "aborted: " + TagOutcomeText({TagResult::Failed, outcome.Step, outcome.Error, outcome.Detail});
        case TagResult::Failed: break;
    }
    if (outcome.Step == TagStep::Damaged) return "the ID3v2 tag is damaged: " + outcome.Detail;
    if (outcome.Step == TagStep::Changed)
        return "the file was renamed or replaced by another program while it was written";
    if (outcome.Step == TagStep::Lock && outcome.Error == EWOULDBLOCK) return "the file is in use by another Tagmora";
    std::string text = std::string(Doing(outcome.Step)) + ": " + std::strerror(outcome.Error);
    if (!outcome.Detail.empty()) {
        text +=
            outcome.Step == TagStep::Restore ? "; a copy of the old content stays in " : "; the new content stays in ";
        text += outcome.Detail;
    }
    return text;
}

}  // namespace tagmora
