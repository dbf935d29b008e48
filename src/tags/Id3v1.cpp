// The ID3v1 tag: reading, rendering, writing and removing the last 128 bytes of a file.
// Texts are converted between UTF-8 and the legacy code page at this boundary only.
#include "tags/Id3v1.h"

#include "common/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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

// Opens a file for reading without blocking on FIFOs; -1 unless it is a regular file.
int OpenRegular(const std::string& path, int flags, struct stat& st) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool PreadAll(int fd, void* buffer, std::size_t count, off_t offset) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pread(fd, out, count, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        count -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool PwriteAll(int fd, const void* buffer, std::size_t count, off_t offset) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, in, count, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        in += n;
        count -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// True when the 128 bytes before the end of the file start with "TAG".
bool HasTagAtEnd(int fd, std::int64_t fileSize) {
    if (fileSize < kTagSize) return false;
    char magic[3];
    return PreadAll(fd, magic, sizeof magic, static_cast<off_t>(fileSize - kTagSize)) &&
           std::memcmp(magic, "TAG", 3) == 0;
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
    // The comment field is 30 bytes wide on disk, but its last byte is the track number.
    PutField(image, 97, 29, tag.Comment, codePage);
    image[126] = static_cast<char>(tag.Track);
    image[127] = static_cast<char>(tag.Genre);
    return image;
}

int ReadId3v1TagFd(int fd, std::int64_t fileSize, Id3v1Tag& tag, int codePage) {
    tag.FileSize = fileSize;
    if (fileSize < kTagSize) return 1;
    unsigned char image[kTagSize];
    const ssize_t n = ::pread(fd, image, sizeof image, static_cast<off_t>(fileSize - kTagSize));
    if (n < 0) return -1;
    if (n != kTagSize) return 1;  // the file shrank since its size was taken
    return ParseId3v1(image, tag, codePage) ? 0 : 1;
}

int ReadId3v1Tag(const std::string& path, Id3v1Tag& tag, int codePage) {
    struct stat st {};
    const int fd = OpenRegular(path, O_RDONLY, st);
    if (fd < 0) return -1;
    const int result = ReadId3v1TagFd(fd, st.st_size, tag, codePage);
    ::close(fd);
    return result;
}

int WriteId3v1Tag(const std::string& path, const Id3v1Tag& tag, int codePage) {
    struct stat st {};
    const int fd = OpenRegular(path, O_RDWR, st);
    if (fd < 0) return -1;
    const std::int64_t size = st.st_size;
    const std::int64_t at = HasTagAtEnd(fd, size) ? size - kTagSize : size;
    const std::string image = RenderId3v1(tag, codePage);
    const bool written = PwriteAll(fd, image.data(), image.size(), static_cast<off_t>(at));
    const bool closed = ::close(fd) == 0;
    return written && closed ? 0 : -1;
}

int RemoveId3v1Tag(const std::string& path, bool tryChangeAttrs) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    if ((st.st_mode & S_IWUSR) == 0) {
        if (!tryChangeAttrs) return 1;
        if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return -1;
    }
    const int fd = OpenRegular(path, O_RDWR, st);
    if (fd < 0) return -1;
    const std::int64_t size = st.st_size;
    int result = 1;
    if (HasTagAtEnd(fd, size)) result = ::ftruncate(fd, static_cast<off_t>(size - kTagSize)) == 0 ? 0 : -1;
    if (::close(fd) != 0) result = -1;
    return result;
}

}  // namespace tagmora
