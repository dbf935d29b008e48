// Reading the ID3v2 tag at the start of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "tags/TagFields.h"
#include "tags/TagOutcome.h"

namespace tagmora {

// Called when an existing file cannot be opened: (errno, path). The program shows its error box.
using OpenErrorHandler = std::function<void(int error, const std::string& path)>;

// Found: the file starts with an ID3v2 tag and its frames were walked; NoTag (FileSize set);
// Failed: the file does not exist (nothing set) or cannot be opened (`onOpenError` called).
TagRead ReadId3v2Tag(const std::string& path, Id3v2Tag& tag, int codePage, const OpenErrorHandler& onOpenError = {});
// Parses a tag from memory: `data` holds the first `size` bytes of a file
// (size may be less than the whole tag; the parser never reads past `size`).
// Found, or NoTag when there is no "ID3" at the start (StartsWithId3v2 false).
TagRead ParseId3v2(const unsigned char* data, std::size_t size, Id3v2Tag& tag, int codePage);
// Do the `size` bytes at `data` start with "ID3", so that ParseId3v2 takes them as a tag?
bool StartsWithId3v2(const unsigned char* data, std::size_t size);

// The first block that the ID3v2 reader reads from the start of a file.
inline constexpr std::size_t kId3v2HeadBlock = 4096;
// How many bytes from the start of a file of `fileSize` bytes the ID3v2 reader hands to ParseId3v2
// when its first block read gave `got` bytes of `head`: `got` when they hold the whole tag (or no
// tag at all), else the end of the tag as its header gives it (Id3v2Header's TagSize: the footer
// included), cut at `fileSize` when that is above 0. A reader elsewhere that reads this many bytes
// and parses them gets what ReadId3v2Tag gets; for a tag of 20000 bytes (a cover picture) in a file
// of 50000 bytes it is 20010, the header included, and 20020 when it is a version 2.4 tag with a
// footer.
std::uint64_t Id3v2ReadExtent(const unsigned char* head, std::size_t got, std::int64_t fileSize);

}  // namespace tagmora
