// The ID3v1 tag: reading, rendering, writing and removing the last 128 bytes of a file.
// Texts are converted between UTF-8 and the legacy code page at this boundary only.
#include "tags/Id3v1.h"

#include "common/FileHelpers.h"
#include "common/Text.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tagmora {

namespace {

constexpr std::int64_t kTagSize = 128;

// Bytes 0x00-0x20 (NUL, control characters, space) are trimmed at both ends.
std::string_view Trimmed(const unsigned char* bytes, std::size_t width) {
    std::size_t begin = 0;
    std::size_t end = width;
    while (begin < end && bytes[begin] <= 0x20) ++begin;
    while (end > begin && bytes[end - 1] <= 0x20) --end;
    return {reinterpret_cast<const char*>(bytes) + begin, end - begin};
}

void PutField(std::string& image, std::size_t offset, std::size_t width, const std::string& utf8, int codePage) {
    const std::string bytes = text::EncodeCodePage(utf8, codePage);
    image.replace(offset, std::min(width, bytes.size()), bytes, 0, std::min(width, bytes.size()));
}

// Stores the errno of an operation for a caller that asked for it.
void Report(int* error, int value) {
    if (error != nullptr) *error = value;
}

// Does the file have "TAG" 128 bytes before its end? 0 with `found` set, or the errno of the read.
int FindTagAtEnd(int fd, std::int64_t fileSize, bool& found) {
    found = false;
    if (fileSize < kTagSize) return 0;
    char magic[3];
    std::size_t got = 0;
    if (const int error = fileio::ReadAt(fd, magic, sizeof magic, fileSize - kTagSize, got); error != 0) return error;
    // A file that shrank since its size was taken has no tag there.
    found = got == sizeof magic && std::memcmp(magic, "TAG", 3) == 0;
    return 0;
}

}  // namespace

bool ParseId3v1(const unsigned char* bytes128, Id3v1Tag& tag, int codePage) {
    if (std::memcmp(bytes128, "TAG", 3) != 0) return false;
    tag.Title = text::DecodeCodePage(Trimmed(bytes128 + 3, 30), codePage);
    tag.Artist = text::DecodeCodePage(Trimmed(bytes128 + 33, 30), codePage);
    tag.Album = text::DecodeCodePage(Trimmed(bytes128 + 63, 30), codePage);
    tag.Year = text::DecodeCodePage({reinterpret_cast<const char*>(bytes128) + 93, 4}, codePage);
    tag.Comment = text::DecodeCodePage(Trimmed(bytes128 + 97, 29), codePage);
    tag.Track = bytes128[126];
    tag.Genre = bytes128[127];
    return true;
}

std::string RenderId3v1(const Id3v1Tag& tag, int codePage) {
    std::string image(kTagSize, '\0');
    image.replace(0, 3, "TAG");
    PutField(image, 3, 30, tag.Title, codePage);
    PutField(image, 33, 30, tag.Artist, codePage);
    PutField(image, 63, 30, tag.Album, codePage);
    PutField(image, 93, 4, tag.Year, codePage);
    // The comment field is 30 bytes wide on disk, but its last byte is the track number. Beside a
    // track the comment keeps at most 28 bytes, so that the zero byte before the track marks the
    // version 1.1 layout for other readers (without it they take the track as a comment byte).
    PutField(image, 97, tag.Track != 0 ? 28 : 29, tag.Comment, codePage);
    image[126] = static_cast<char>(tag.Track);
    image[127] = static_cast<char>(tag.Genre);
    return image;
}

TagRead ReadId3v1TagFd(int fd, std::int64_t fileSize, Id3v1Tag& tag, int codePage, int* error) {
    Report(error, 0);
    tag.FileSize = fileSize;
    if (fileSize < kTagSize) return TagRead::NoTag;
    unsigned char image[kTagSize];
    std::size_t got = 0;
    if (const int e = fileio::ReadAt(fd, image, sizeof image, fileSize - kTagSize, got); e != 0) {
        Report(error, e);
        return TagRead::Failed;
    }
    return ParseId3v1Tail(image, got, fileSize, tag, codePage);
}

bool Id3v1TailHasTag(const unsigned char* tail, std::size_t got, std::int64_t fileSize) {
    // A file that shrank since its size was taken has no tag there.
    return fileSize >= kTagSize && got == kTagSize && std::memcmp(tail, "TAG", 3) == 0;
}

TagRead ParseId3v1Tail(const unsigned char* tail, std::size_t got, std::int64_t fileSize, Id3v1Tag& tag, int codePage) {
    return Id3v1TailHasTag(tail, got, fileSize) && ParseId3v1(tail, tag, codePage) ? TagRead::Found : TagRead::NoTag;
}

TagRead ReadId3v1Tag(const std::string& path, Id3v1Tag& tag, int codePage, int* error) {
    const fileio::OpenedFile opened = fileio::OpenRegularFile(path);
    if (!opened.Ok()) {
        Report(error, opened.Error);
        return TagRead::Failed;
    }
    return ReadId3v1TagFd(opened.File.Get(), opened.Size, tag, codePage, error);
}

namespace {

// Opens `path` for writing and locks it.
TagOutcome OpenLocked(const std::string& path, fileio::OpenedFile& opened) {
    opened = fileio::OpenRegularFile(path, true);
    if (opened.Ok()) {
        if (const int error = fileio::LockOpenedFile(opened, path, true); error != 0)
            return TagOutcome::Fail(opened.Ok() ? TagStep::Lock : TagStep::Open, error);
        return {};
    }
    if (opened.Missing()) return {TagResult::Missing, TagStep::Open, opened.Error, {}};
    return TagOutcome::Fail(TagStep::Open, opened.Error);
}

}  // namespace

TagOutcome WriteId3v1Tag(const std::string& path, const Id3v1Tag& tag, int codePage) {
    fileio::OpenedFile opened;
    if (TagOutcome open = OpenLocked(path, opened); !open.Done()) return open;
    const int fd = opened.File.Get();
    bool hasTag = false;
    if (const int error = FindTagAtEnd(fd, opened.Size, hasTag); error != 0)
        return TagOutcome::Fail(TagStep::Read, error);
    const std::int64_t at = hasTag ? opened.Size - kTagSize : opened.Size;
    std::string old;
    if (hasTag) {
        old.resize(kTagSize);
        if (const int error = fileio::ReadFullyAt(fd, old.data(), old.size(), at); error != 0)
            return TagOutcome::Fail(TagStep::Read, error);
    }
    int error = fileio::WriteAt(fd, RenderId3v1(tag, codePage), at);
    if (error == 0) error = fileio::Flush(fd);
    if (error == 0) return {};
    // Undone: the old tag back, or the appended bytes cut away.
    int restore = hasTag ? fileio::WriteAt(fd, old, at) : fileio::Truncate(fd, opened.Size);
    if (restore == 0) restore = fileio::Flush(fd);
    return TagOutcome::Fail(restore == 0 ? TagStep::WriteInPlace : TagStep::Restore, error);
}

TagOutcome RemoveId3v1Tag(const std::string& path, bool tryChangeAttrs) {
    int prepareError = 0;
    switch (PrepareFileForWrite(path, tryChangeAttrs, &prepareError)) {
        case FileReadiness::Missing: return {TagResult::Missing, TagStep::Open, prepareError, {}};
        case FileReadiness::ReadOnly:
            // Read-only and not to be changed is no failure; a refused change of the permission is.
            if (prepareError != 0) return TagOutcome::Fail(TagStep::Permission, prepareError);
            return {TagResult::ReadOnly, TagStep::None, 0, {}};
        default: break;
    }
    fileio::OpenedFile opened;
    if (TagOutcome open = OpenLocked(path, opened); !open.Done()) return open;
    bool hasTag = false;
    if (const int error = FindTagAtEnd(opened.File.Get(), opened.Size, hasTag); error != 0)
        return TagOutcome::Fail(TagStep::Read, error);
    if (!hasTag) return {TagResult::NoTag, TagStep::None, 0, {}};
    if (const int error = fileio::Truncate(opened.File.Get(), opened.Size - kTagSize); error != 0)
        return TagOutcome::Fail(TagStep::WriteInPlace, error);
    return {};
}

}  // namespace tagmora
