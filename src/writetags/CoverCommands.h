// The front cover of one file, as the cover dialog works on it: replaced from a picture file or
// every picture removed through the batch's tag engine (every other frame kept), then the row read
// again; and a cover saved as a picture file of its own.
#pragma once

#include <string>
#include <string_view>

#include "tags/Id3v2Edit.h"
#include "writetags/TagEngine.h"

namespace tagmora {

class FileList;

// Sets the front cover of row `row`'s file from the picture file `picture` (CoverEdit::Set), or
// removes every picture (CoverEdit::RemoveAll, `picture` unused), as the batch write does with every
// field kept: a refused picture file is told in its box and nothing is written; a file that
// TryChangeAttrs cannot make writable is told in the batch's summary box; the engine tells its own
// failures. The row is read again after a write. True when the file was written.
bool ChangeRowCover(FileList& list, int row, CoverEdit edit, const std::string& picture, const TagEngine& engine);

// Saves a cover's bytes as `path`, replacing a file of that name in one step (the caller has asked
// about it): 0 or the errno.
int SaveCoverAs(const std::string& path, std::string_view bytes);

}  // namespace tagmora
