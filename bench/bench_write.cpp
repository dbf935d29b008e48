// The ID3v2 writer and remover on a corpus, timed against floors that make the same system calls
// without any tag work: a tag rewritten in place against "open, one write at offset 0, close"; a
// tag that grows and a tag that is removed against "copy the file through a temporary file, flush
// it and rename it over the original". Prints figures; the corpus ends with 2064-byte tags.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "WalkMp3Tree.h"
#include "tags/Id3v2Write.h"

namespace {

using Clock = std::chrono::steady_clock;
using tagmora::Id3v2Field;

constexpr std::size_t kTagSize = tagmora::kId3v2NewTagSize;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A record that writes five fields and keeps the others.
tagmora::Id3v2WriteRecord FiveFields(std::size_t i) {
    tagmora::Id3v2WriteRecord record;
    record.Keep.fill(true);
    for (const Id3v2Field f :
         {Id3v2Field::Title, Id3v2Field::Artist, Id3v2Field::Album, Id3v2Field::Year, Id3v2Field::Track})
        record.SetKept(f, false);
    record.Values.Title = "Title " + std::to_string(i);
    record.Values.Artist = "Исполнитель";
    record.Values.Album = "Album of the benchmark";
    record.Values.Year = "2024";
    record.Values.Track = std::to_string(i % 20 + 1);
    return record;
}

// Floor of the in-place write: open, one write of a whole (empty) 2064-byte tag at offset 0, close.
bool FloorInPlace(const std::vector<std::string>& files) {
    std::string tag(kTagSize, '\0');
    tag.replace(0, 10, std::string("ID3\x03\0\0\0\0\x10\x06", 10));
    bool ok = true;
    for (const std::string& path : files) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            ok = false;
            continue;
        }
        ok &= ::pwrite(fd, tag.data(), tag.size(), 0) == static_cast<ssize_t>(tag.size());
        ::close(fd);
    }
    return ok;
}

// Floor of growth (`head` before the file) and removal (`skip` bytes dropped): the file copied
// through a temporary file beside it, flushed, renamed over the original, the folder flushed.
bool FloorReplace(const std::vector<std::string>& files, const std::string& head, std::size_t skip) {
    std::vector<char> block(tagmora::kId3v2CopyBlockSize);
    bool ok = true;
    for (const std::string& path : files) {
        const std::string temp = path.substr(0, path.size() - 3) + "Mora";
        const int source = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const int target = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (source < 0 || target < 0) {
            ok = false;
            if (source >= 0) ::close(source);
            if (target >= 0) ::close(target);
            continue;
        }
        if (!head.empty()) ok &= ::write(target, head.data(), head.size()) == static_cast<ssize_t>(head.size());
        off_t offset = static_cast<off_t>(skip);
        for (;;) {
            const ssize_t got = ::pread(source, block.data(), block.size(), offset);
            if (got <= 0) break;
            ok &= ::write(target, block.data(), static_cast<std::size_t>(got)) == got;
            offset += got;
        }
        ok &= ::fsync(target) == 0;
        ::close(target);
        ::close(source);
        ok &= ::rename(temp.c_str(), path.c_str()) == 0;
        const std::string folder = path.substr(0, path.rfind('/'));
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr,
                     "Usage: bench_write CORPUS_DIR [RUNS]\n"
                     "Writes five ID3v2 fields into every MP3 file of CORPUS_DIR (in place and growing) and\n"
                     "removes the tags, RUNS times (default 3), each job beside its floor. The files end\n"
                     "with 2064-byte tags. Generate a corpus with: python3 scripts/make_corpus.py DIR --count N\n");
        return 2;
    }
    std::string folder = argv[1];
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<std::string> files;
    tagmora::bench::WalkMp3Tree(folder, [&](const std::string& path) { files.push_back(path); });

    tagmora::Id3v2WriteSession session{1251};
    int failed = 0;
    const auto writeAll = [&] {
        for (std::size_t i = 0; i < files.size(); ++i)
            failed += !tagmora::WriteId3v2Tag(files[i], FiveFields(i), session).Done();
    };
    const auto removeAll = [&] {
        for (const std::string& path : files)
            failed += tagmora::RemoveId3v2Tag(path, false, session).Result == tagmora::TagResult::Failed;
    };

    // Once on the corpus as generated: tags of every kind, cover pictures, files without a tag.
    auto start = Clock::now();
    writeAll();
    const double firstWrite = Seconds(start);

    std::string blankTag(kTagSize, '\0');
    blankTag.replace(0, 10, std::string("ID3\x03\0\0\0\0\x10\x06", 10));
    std::vector<double> remove, grow, inPlace, floorReplaceRemove, floorReplaceGrow, floorWrite;
    bool floorOk = true;
    for (int run = 0; run < runs; ++run) {
        // Every file has a tag here.
        start = Clock::now();
        removeAll();
        remove.push_back(Seconds(start));
        start = Clock::now();
        floorOk &= FloorReplace(files, blankTag, 0);
        floorReplaceGrow.push_back(Seconds(start));
        start = Clock::now();
        floorOk &= FloorReplace(files, {}, kTagSize);
        floorReplaceRemove.push_back(Seconds(start));
        start = Clock::now();
        writeAll();  // no tag: grows to 2064 bytes
        grow.push_back(Seconds(start));
        start = Clock::now();
        writeAll();  // fits in place
        inPlace.push_back(Seconds(start));
        start = Clock::now();
        floorOk &= FloorInPlace(files);
        floorWrite.push_back(Seconds(start));
    }
    writeAll();  // leave real tags

    const double perFile = files.empty() ? 0 : 1e6 / static_cast<double>(files.size());
    std::printf("files %zu, runs %d (medians), failures %d%s\n", files.size(), runs, failed,
                floorOk ? "" : ", the floor failed on a file");
    std::printf("%-44s %10s %10s %8s\n", "job", "seconds", "us/file", "x floor");
    const auto line = [&](const char* name, double s, double floor) {
        std::printf("%-44s %10.4f %10.2f ", name, s, s * perFile);
        if (floor > 0) std::printf("%8.2f\n", s / floor);
        else std::printf("%8s\n", "-");
    };
    line("floor: open, write 2064 bytes at 0, close", Median(floorWrite), 0);
    line("write 5 fields, in place", Median(inPlace), Median(floorWrite));
    line("floor: copy + 2064 bytes through temp, rename", Median(floorReplaceGrow), 0);
    line("write 5 fields, growing to 2064 bytes", Median(grow), Median(floorReplaceGrow));
    line("floor: copy - 2064 bytes through temp, rename", Median(floorReplaceRemove), 0);
    line("remove the tag", Median(remove), Median(floorReplaceRemove));
    line("first write on the generated corpus (mixed)", firstWrite, 0);
    return 0;
}
