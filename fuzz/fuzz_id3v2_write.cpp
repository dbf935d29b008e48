// libFuzzer target for the ID3v2 writer: the input's first bytes choose which fields are kept and
// what the others become, the rest is the old file (its tag first). The file is written with
// WriteId3v2Tag in a temporary folder and read back: every field written reads back as written,
// and every kept field reads as it did before the write.
#include "tags/Genres.h"
#include "tags/Id3v2Read.h"
#include "tags/Id3v2Write.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace tagmora;

constexpr std::size_t kControlSize = 8;  // 3 bytes keep mask, 5 bytes value choices
constexpr int kCodePage = 1251;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

const std::string& Folder() {
    static const std::string folder = [] {
        // In memory where there is a tmpfs: a growing write flushes its file to disk.
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/fuzz_id3v2_write.XXXXXX";
            if (::mkdtemp(pattern.data()) != nullptr) return pattern;
        }
        Check(false);
        return std::string();
    }();
    return folder;
}

void WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0);
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        Check(n > 0);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// Two bits per field: empty, ASCII, Cyrillic, or 300 characters.
std::string ValueOf(int choice, std::size_t field) {
    const std::string n = std::to_string(field);
    switch (choice) {
        case 1: return "v" + n;
        case 2: return "Жё " + n;
        case 3: return std::string(300, static_cast<char>('a' + field % 26));
        default: return {};
    }
}

std::string Id3v2Tag::*const kMembers[kId3v2FieldCount] = {
    &Id3v2Tag::Title,     &Id3v2Tag::Artist,    &Id3v2Tag::Album, &Id3v2Tag::Year,     &Id3v2Tag::Comment,
    &Id3v2Tag::Track,     &Id3v2Tag::Genre,     &Id3v2Tag::URL,   &Id3v2Tag::Composer, &Id3v2Tag::OrigArtist,
    &Id3v2Tag::Copyright, &Id3v2Tag::EncodedBy, &Id3v2Tag::TXXX,  &Id3v2Tag::UFID,     &Id3v2Tag::MCDI,
    &Id3v2Tag::TSSE,      &Id3v2Tag::TIT1,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kControlSize) return 0;
    const std::uint32_t keep = data[0] | data[1] << 8 | (data[2] & 1u) << 16;
    std::uint64_t choices = 0;
    for (std::size_t i = 0; i < 5; ++i) choices |= std::uint64_t{data[3 + i]} << (8 * i);

    Id3v2WriteRecord record;
    for (std::size_t f = 0; f < kId3v2FieldCount; ++f) {
        record.Keep[f] = (keep >> f) & 1u;
        record.Values.*kMembers[f] = ValueOf(static_cast<int>((choices >> (2 * f)) & 3u), f);
    }
    record.Values.CommentOwner = ValueOf(static_cast<int>((choices >> 34) & 3u), 99);

    const std::string path = Folder() + "/song.mp3";
    WriteWhole(path, data + kControlSize, size - kControlSize);
    Id3v2Tag before;
    const bool hadTag = ReadId3v2Tag(path, before, kCodePage) == TagRead::Found;

    Id3v2WriteSession session{kCodePage};
    const TagOutcome outcome = WriteId3v2Tag(path, record, session);
    if (outcome.Step == TagStep::Damaged) {
        // A tag whose header cannot be right is refused, and the file stays as it was.
        std::string now(size - kControlSize + 1, '\0');
        const int fd = ::open(path.c_str(), O_RDONLY);
        Check(fd >= 0 && ::read(fd, now.data(), now.size()) == static_cast<ssize_t>(size - kControlSize));
        ::close(fd);
        Check(now.compare(0, size - kControlSize, reinterpret_cast<const char*>(data + kControlSize),
                          size - kControlSize) == 0);
        return 0;
    }
    Check(outcome.Done());
    Id3v2Tag after;
    Check(ReadId3v2Tag(path, after, kCodePage) == TagRead::Found);

    for (std::size_t f = 0; f < kId3v2FieldCount; ++f) {
        const std::string& got = after.*kMembers[f];
        if (record.Keep[f]) {
            if (hadTag) Check(got == before.*kMembers[f]);
            else Check(got.empty());
            continue;
        }
        std::string want = record.Values.*kMembers[f];
        if (want.empty()) continue;  // a further comment or TXXX frame may show now
        if (f == static_cast<std::size_t>(Id3v2Field::Genre))
            want = "(" + std::to_string(GenreIndexOf(want)) + ")" + want;
        Check(got == want);
        if (f == static_cast<std::size_t>(Id3v2Field::Comment))
            Check(after.CommentOwner ==
                  "eng" + (record.Values.CommentOwner.empty() ? std::string("Tagmora") : record.Values.CommentOwner));
    }
    if (record.Keep[static_cast<std::size_t>(Id3v2Field::Comment)] && hadTag)
        Check(after.CommentOwner == before.CommentOwner);
    return 0;
}
