// Reading the ID3v2 tag (versions 2.2, 2.3 and 2.4) at the start of a file into an Id3v2Tag.
// The walk is bounded by the tag size and by the bytes at hand; unknown frames are skipped.
#include "tags/Id3v2Read.h"

#include "common/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tagmora {

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kHeadReadSize = 4096;
// A whole-tag buffer larger than this is given back after the read.
constexpr std::size_t kKeptBufferSize = 1 << 20;

enum class Field : std::uint8_t {
    None,
    Text,           // encoding byte, then the value up to its terminator (TXXX: the description)
    Year,           // TYER: a text frame that also outranks TDRC
    RecordingTime,  // TDRC (version 4 only): Year when no TYER frame is present
    Comment,        // COMM
    Url,            // WXXX
    Raw,            // UFID, MCDI: the bytes after the first one, up to a NUL, in the code page
};

struct FrameKind {
    Field field = Field::None;
    std::string Id3v2Tag::*member = nullptr;
};

constexpr std::uint32_t Id4(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

constexpr std::uint32_t Id3(const char (&s)[4]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2]));
}

FrameKind KindOf4(std::uint32_t id, int version) {
    using T = Id3v2Tag;
    switch (id) {
    case Id4("TIT2"): return {Field::Text, &T::Title};
    case Id4("TPE1"): return {Field::Text, &T::Artist};
    case Id4("TALB"): return {Field::Text, &T::Album};
    case Id4("TYER"): return {Field::Year, &T::Year};
    case Id4("TDRC"): return version == 4 ? FrameKind{Field::RecordingTime, &T::Year} : FrameKind{};
    case Id4("TRCK"): return {Field::Text, &T::Track};
    case Id4("TCON"): return {Field::Text, &T::Genre};
    case Id4("COMM"): return {Field::Comment, &T::Comment};
    case Id4("TCOM"): return {Field::Text, &T::Composer};
    case Id4("TOPE"): return {Field::Text, &T::OrigArtist};
    case Id4("TCOP"): return {Field::Text, &T::Copyright};
    case Id4("TENC"): return {Field::Text, &T::EncodedBy};
    case Id4("WXXX"): return {Field::Url, &T::URL};
    case Id4("TXXX"): return {Field::Text, &T::TXXX};
    case Id4("UFID"): return {Field::Raw, &T::UFID};
    case Id4("MCDI"): return {Field::Raw, &T::MCDI};
    case Id4("TSSE"): return {Field::Text, &T::TSSE};
    case Id4("TIT1"): return {Field::Text, &T::TIT1};
    default: return {};
    }
}

// Version 2.2: three-letter identifiers.
FrameKind KindOf3(std::uint32_t id) {
    using T = Id3v2Tag;
    switch (id) {
    case Id3("TT2"): return {Field::Text, &T::Title};
    case Id3("TP1"): return {Field::Text, &T::Artist};
    case Id3("TAL"): return {Field::Text, &T::Album};
    case Id3("TYE"): return {Field::Year, &T::Year};
    case Id3("TRK"): return {Field::Text, &T::Track};
    case Id3("TCO"): return {Field::Text, &T::Genre};
    case Id3("COM"): return {Field::Comment, &T::Comment};
    case Id3("TCM"): return {Field::Text, &T::Composer};
    case Id3("TOA"): return {Field::Text, &T::OrigArtist};
    case Id3("TCR"): return {Field::Text, &T::Copyright};
    case Id3("TEN"): return {Field::Text, &T::EncodedBy};
    case Id3("TXX"): return {Field::Text, &T::TXXX};
    case Id3("WXX"): return {Field::Url, &T::URL};
    case Id3("UFI"): return {Field::Raw, &T::UFID};
    case Id3("MCI"): return {Field::Raw, &T::MCDI};
    case Id3("TSS"): return {Field::Text, &T::TSSE};
    case Id3("TT1"): return {Field::Text, &T::TIT1};
    default: return {};
    }
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

std::uint32_t Synchsafe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] & 0x7F) << 21 | static_cast<std::uint32_t>(p[1] & 0x7F) << 14 |
           static_cast<std::uint32_t>(p[2] & 0x7F) << 7 | static_cast<std::uint32_t>(p[3] & 0x7F);
}

bool IsIdChar(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsFrameId(const unsigned char* p, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsIdChar(p[i])) return false;
    }
    return true;
}

// Undoes unsynchronisation: every 0x00 that follows a 0xFF is dropped.
void Resynchronise(const unsigned char* p, std::size_t n, std::vector<unsigned char>& out) {
    out.clear();
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0x00) ++i;
    }
}

std::string_view Chars(const unsigned char* p, std::size_t n) { return {reinterpret_cast<const char*>(p), n}; }

bool IsWide(unsigned char encoding) { return encoding == 1 || encoding == 2; }

// A string of the given encoding inside [p, p + n): its length up to the terminator, and where
// the next string starts (after the terminator, or n when there is none).
struct Terminated {
    std::size_t length;
    std::size_t next;
};

Terminated FindTerminated(unsigned char encoding, const unsigned char* p, std::size_t n) {
    if (IsWide(encoding)) {
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            if (p[i] == 0 && p[i + 1] == 0) return {i, i + 2};
        }
        return {n, n};
    }
    const void* nul = n > 0 ? std::memchr(p, 0, n) : nullptr;
    if (nul == nullptr) return {n, n};
    const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - p);
    return {at, at + 1};
}

std::string Decode(unsigned char encoding, const unsigned char* p, std::size_t n, int codePage) {
    switch (encoding) {
    case 1: return text::DecodeUtf16(Chars(p, n), false);
    case 2: return text::DecodeUtf16(Chars(p, n), true);
    case 3:
        if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {  // a byte-order mark some writers add
            p += 3;
            n -= 3;
        }
        return text::SanitizeUtf8(Chars(p, n));
    default: return text::DecodeCodePage(Chars(p, n), codePage);
    }
}

// The value of a string that starts at p: decoded up to its terminator.
std::string DecodeTerminated(unsigned char encoding, const unsigned char* p, std::size_t n, int codePage) {
    return Decode(encoding, p, FindTerminated(encoding, p, n).length, codePage);
}

// "2004-05-06T12:00" gives "2004"; anything else is kept whole.
std::string YearOfTimestamp(std::string value) {
    if (value.size() > 4 && std::all_of(value.begin(), value.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        value.resize(4);
    return value;
}

class FrameWalker {
public:
    FrameWalker(Id3v2Tag& tag, int codePage) : tag_(tag), codePage_(codePage) {}

    // Stores the value of one frame's content (flags already dealt with).
    void Take(const FrameKind& kind, const unsigned char* c, std::size_t n) {
        if (kind.field == Field::None || n == 0) return;
        std::string& target = tag_.*kind.member;
        const unsigned char encoding = c[0];
        switch (kind.field) {
        case Field::Text:
            target = DecodeTerminated(encoding, c + 1, n - 1, codePage_);
            break;
        case Field::Year:
            target = DecodeTerminated(encoding, c + 1, n - 1, codePage_);
            haveYearFrame_ = true;
            break;
        case Field::RecordingTime:
            if (!haveYearFrame_) target = YearOfTimestamp(DecodeTerminated(encoding, c + 1, n - 1, codePage_));
            break;
        case Field::Raw:
            target = DecodeTerminated(0, c + 1, n - 1, codePage_);
            break;
        case Field::Url: {
            const Terminated description = FindTerminated(encoding, c + 1, n - 1);
            const std::size_t url = 1 + description.next;
            target = DecodeTerminated(0, c + url, n - url, codePage_);
            break;
        }
        case Field::Comment: TakeComment(c, n); break;
        case Field::None: break;
        }
    }

    bool WantsComment() const { return tag_.Comment.empty(); }

private:
    // Encoding byte, three language bytes, a terminated description, then the text.
    void TakeComment(const unsigned char* c, std::size_t n) {
        const unsigned char encoding = c[0];
        const std::size_t languageEnd = std::min<std::size_t>(n, 4);
        const std::string_view language = Chars(c + 1, languageEnd - 1);
        const unsigned char* rest = c + languageEnd;
        const std::size_t restSize = n - languageEnd;
        const Terminated description = FindTerminated(encoding, rest, restSize);
        tag_.Comment = DecodeTerminated(encoding, rest + description.next, restSize - description.next, codePage_);
        if (language == "eng" || language == "XXX") {
            tag_.CommentOwner = text::DecodeCodePage(language, codePage_);
            tag_.CommentOwner += Decode(encoding, rest, description.length, codePage_);
        }
    }

    Id3v2Tag& tag_;
    int codePage_;
    bool haveYearFrame_ = false;
};

// True when a frame boundary at `at` is plausible: the end of the tag, padding or a frame id.
bool LandsOnFrame(const unsigned char* body, std::size_t size, std::uint64_t at) {
    if (at > size) return false;
    if (at == size) return true;
    if (body[at] == 0) return true;
    return size - at >= 4 && IsFrameId(body + at, 4);
}

// A version-4 frame size: synchsafe as the standard says, unless only the plain 32-bit
// reading (as some writers produce) leads to a plausible next frame.
std::uint64_t Version4FrameSize(const unsigned char* body, std::size_t size, std::size_t pos) {
    const unsigned char* s = body + pos + 4;
    const std::uint32_t plain = BigEndian32(s);
    if ((s[0] | s[1] | s[2] | s[3]) & 0x80) return plain;
    const std::uint32_t safe = Synchsafe32(s);
    if (safe == plain) return safe;
    const std::uint64_t next = pos + kHeaderSize;
    if (LandsOnFrame(body, size, next + safe)) return safe;
    if (LandsOnFrame(body, size, next + plain)) return plain;
    return safe;
}

void WalkVersion2(const unsigned char* body, std::size_t size, FrameWalker& walker) {
    constexpr std::size_t kFrameHeader = 6;
    std::size_t pos = 0;
    while (size - pos >= kFrameHeader) {
        const unsigned char* h = body + pos;
        if (h[0] == 0 || !IsFrameId(h, 3)) break;
        const std::size_t frameSize = static_cast<std::size_t>(h[3]) << 16 | static_cast<std::size_t>(h[4]) << 8 | h[5];
        if (frameSize > size - pos - kFrameHeader) break;
        const FrameKind kind = KindOf3(static_cast<std::uint32_t>(h[0]) << 16 | static_cast<std::uint32_t>(h[1]) << 8 | h[2]);
        if (kind.field != Field::Comment || walker.WantsComment()) walker.Take(kind, h + kFrameHeader, frameSize);
        pos += kFrameHeader + frameSize;
    }
}

void WalkVersion3Or4(const unsigned char* body, std::size_t size, std::size_t pos, int version, bool tagUnsynchronised,
                     FrameWalker& walker) {
    std::vector<unsigned char> resynchronised;
    while (size - pos >= kHeaderSize) {
        const unsigned char* h = body + pos;
        if (h[0] == 0 || !IsFrameId(h, 4)) break;
        const std::uint64_t frameSize = version == 4 ? Version4FrameSize(body, size, pos) : BigEndian32(h + 4);
        if (frameSize > size - pos - kHeaderSize) break;
        const std::size_t next = pos + kHeaderSize + static_cast<std::size_t>(frameSize);
        const FrameKind kind = KindOf4(BigEndian32(h), version);
        pos = next;
        if (kind.field == Field::None || (kind.field == Field::Comment && !walker.WantsComment())) continue;

        const unsigned flags = static_cast<unsigned>(h[8]) << 8 | h[9];
        const unsigned char* content = h + kHeaderSize;
        std::size_t n = static_cast<std::size_t>(frameSize);
        std::size_t skip = 0;
        bool unsynchronised = false;
        if (version == 3) {
            if (flags & (0x0080 | 0x0040)) continue;  // compressed or encrypted
            if (flags & 0x0020) skip += 1;             // group identifier
        } else {
            if (flags & (0x0008 | 0x0004)) continue;  // compressed or encrypted
            if (flags & 0x0040) skip += 1;             // group identifier
            if (flags & 0x0001) skip += 4;             // data length indicator
            unsynchronised = tagUnsynchronised || (flags & 0x0002) != 0;
        }
        if (skip > n) continue;
        content += skip;
        n -= skip;
        if (unsynchronised) {
            Resynchronise(content, n, resynchronised);
            content = resynchronised.data();
            n = resynchronised.size();
        }
        walker.Take(kind, content, n);
    }
}

bool PreadFull(int fd, unsigned char* out, std::size_t count, off_t offset, std::size_t& got) {
    got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, out + got, count - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int ParseId3v2(const unsigned char* data, std::size_t size, Id3v2Tag& tag, int codePage) {
    if (size < 3 || std::memcmp(data, "ID3", 3) != 0) return 1;
    if (size < kHeaderSize) return 0;
    const int version = data[3];
    const unsigned char flags = data[5];
    if (version < 2 || version > 4) return 0;
    if (version == 2 && (flags & 0x40)) return 0;  // a compressed 2.2 tag: no scheme is defined for it

    const std::uint64_t tagEnd = kHeaderSize + static_cast<std::uint64_t>(Synchsafe32(data + 6));
    const unsigned char* body = data + kHeaderSize;
    std::size_t bodySize = static_cast<std::size_t>(std::min<std::uint64_t>(tagEnd, size)) - kHeaderSize;

    // Versions 2.2 and 2.3 unsynchronise the whole tag; version 2.4 does it frame by frame.
    std::vector<unsigned char> resynchronised;
    if ((flags & 0x80) && version < 4) {
        Resynchronise(body, bodySize, resynchronised);
        body = resynchronised.data();
        bodySize = resynchronised.size();
    }

    FrameWalker walker(tag, codePage);
    if (version == 2) {
        WalkVersion2(body, bodySize, walker);
        return 0;
    }
    std::size_t pos = 0;
    if (flags & 0x40) {  // extended header
        if (bodySize < 4) return 0;
        const std::uint64_t extended =
            version == 3 ? std::uint64_t{BigEndian32(body)} + 4 : std::uint64_t{Synchsafe32(body)};
        if (extended < 4 || extended > bodySize) return 0;
        pos = static_cast<std::size_t>(extended);
    }
    WalkVersion3Or4(body, bodySize, pos, version, (flags & 0x80) != 0, walker);
    return 0;
}

int ReadId3v2TagFd(int fd, std::int64_t fileSize, Id3v2Tag& tag, int codePage) {
    tag.FileSize = fileSize;
    unsigned char head[kHeadReadSize];
    std::size_t got = 0;
    if (!PreadFull(fd, head, sizeof head, 0, got)) return -1;
    if (got < kHeaderSize || std::memcmp(head, "ID3", 3) != 0 || head[3] < 2 || head[3] > 4 || got < sizeof head)
        return ParseId3v2(head, got, tag, codePage);
    const std::uint64_t tagEnd = kHeaderSize + static_cast<std::uint64_t>(Synchsafe32(head + 6));
    if (tagEnd <= got) return ParseId3v2(head, got, tag, codePage);

    // The tag runs past the first block (a cover picture often comes first): read it whole.
    const std::uint64_t want = fileSize > 0 ? std::min<std::uint64_t>(tagEnd, static_cast<std::uint64_t>(fileSize)) : tagEnd;
    thread_local std::vector<unsigned char> whole;
    whole.resize(std::max<std::size_t>(static_cast<std::size_t>(want), got));
    std::memcpy(whole.data(), head, got);
    std::size_t more = 0;
    const bool ok = PreadFull(fd, whole.data() + got, whole.size() - got, static_cast<off_t>(got), more);
    const int result = ok ? ParseId3v2(whole.data(), got + more, tag, codePage) : -1;
    if (whole.capacity() > kKeptBufferSize) std::vector<unsigned char>().swap(whole);
    return result;
}

int ReadId3v2Tag(const std::string& path, Id3v2Tag& tag, int codePage, const OpenErrorHandler& onOpenError) {
    const auto fail = [&](int error) {
        if (onOpenError) onOpenError(error, path);
        return -1;
    };
    // O_NONBLOCK keeps a FIFO from blocking the open; it changes nothing for regular files.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return -1;  // the file does not exist
        return fail(error);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A folder or a device named like an MP3 file cannot be read as one.
        const int error = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return fail(error);
    }
    const int result = ReadId3v2TagFd(fd, st.st_size, tag, codePage);
    const int error = errno;
    ::close(fd);
    return result == -1 ? fail(error) : result;
}

}  // namespace tagmora
