// The floor of the read benchmark: every MP3 file of a tree opened, its first 4096 and last 128
// bytes read, closed. No tag is parsed; what a tag reader costs is measured against this.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "WalkMp3Tree.h"

namespace {

struct FloorTotals {
    std::uint64_t Files = 0;
    std::uint64_t Failed = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Checksum = 0;  // so the reads cannot be optimised away
};

// Folds the first and last bytes read into the checksum: cheap, so the floor stays the cost of
// the system calls and not of hashing.
void Mix(FloorTotals& totals, const unsigned char* data, ssize_t length) {
    if (length <= 0) return;
    totals.Bytes += static_cast<std::uint64_t>(length);
    const std::uint64_t sample = (std::uint64_t{data[0]} << 8) | data[length - 1];
    totals.Checksum = (totals.Checksum ^ sample) * 0x100000001b3ULL;
}

void ReadHeadAndTail(const std::string& path, FloorTotals& totals) {
    ++totals.Files;
    const auto mix = [&](const unsigned char* data, ssize_t length) { Mix(totals, data, length); };
    if (!tagmora::bench::ReadHeadAndTail(path, mix)) ++totals.Failed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "Usage: floor_read DIR\n"
                     "Opens every .mp3 file under DIR, reads its first 4096 and last 128 bytes, closes it.\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    FloorTotals totals;
    totals.Checksum = 0xcbf29ce484222325ULL;
    std::string folder = argv[1];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    tagmora::bench::WalkMp3Tree(folder, [&](const std::string& path) { ReadHeadAndTail(path, totals); });
    std::printf("files %llu failed %llu bytes %llu checksum %016llx\n", static_cast<unsigned long long>(totals.Files),
                static_cast<unsigned long long>(totals.Failed), static_cast<unsigned long long>(totals.Bytes),
                static_cast<unsigned long long>(totals.Checksum));
    return 0;
}
