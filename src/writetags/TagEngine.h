// The tag engine as the batch commands call it: writing and removing the ID3v1 and ID3v2 tags of
// one file. The commands take the four operations through this record, so that a test can put in
// operations that record what they are given; the program wires the real ones.
#pragma once

#include <functional>
#include <string>

#include "tags/Id3v1.h"
#include "tags/Id3v2Write.h"

namespace tagmora {

struct AppSettings;

struct TagEngine {
    // WriteId3v1Tag: 0 written, -1 failed.
    std::function<int(const std::string& path, const Id3v1Tag& tag)> WriteId3v1;
    // RemoveId3v1Tag: 0 removed, 1 no tag or read-only, -1 missing or failed.
    std::function<int(const std::string& path)> RemoveId3v1;
    // WriteId3v2Tag: 0 written, 2 the user chose Abort, -1 failed.
    std::function<int(const std::string& path, const Id3v2WriteRecord& record)> WriteId3v2;
    // RemoveId3v2Tag: 0 removed, 1 no tag or read-only, -1 missing or failed.
    std::function<int(const std::string& path)> RemoveId3v2;
};

// The real operations: texts in the settings' TagCodePage, the read-only attribute cleared by
// TryChangeAttrs, the ID3v2 writer's boxes and IgnoreDeleteErrors through `session`. The settings
// and the session are read at each call, so they must outlive the engine.
TagEngine RealTagEngine(const AppSettings& settings, Id3v2WriteSession& session);

}  // namespace tagmora
