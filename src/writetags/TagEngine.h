// The tag engine as the batch commands call it: writing and removing the ID3v1 and ID3v2 tags of
// one file. The commands take the four operations through this record, so that a test can put in
// operations that record what they are given; the program wires the real ones.
#pragma once

#include <functional>
#include <string>

#include "common/Ports.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Write.h"
#include "tags/TagOutcome.h"

namespace tagmora {

struct AppSettings;

struct TagEngine {
    std::function<TagOutcome(const std::string& path, const Id3v1Tag& tag)> WriteId3v1;
    std::function<TagOutcome(const std::string& path)> RemoveId3v1;
    std::function<TagOutcome(const std::string& path, const Id3v2WriteRecord& record)> WriteId3v2;
    std::function<TagOutcome(const std::string& path)> RemoveId3v2;
};

// The real operations: texts in the settings' TagCodePage, the read-only attribute cleared by
// TryChangeAttrs. A file that cannot be opened, or whose new content cannot be written, is told in
// the file-error box ("Код ошибки - ..."); when the new file cannot be put in place of the old one
// the delete-failure box asks Abort, Retry or Ignore (Ignore holds for the rest of the run, in
// `session`). The settings, the session and the host are used at each call, so they must outlive
// the engine.
TagEngine RealTagEngine(const AppSettings& settings, Id3v2WriteSession& session, Host& host);

// The delete-failure box's text for the errno of the failed rename; it names the file that keeps
// the new content.
std::string DeleteFailedText(int error, const std::string& keptPath);

}  // namespace tagmora
