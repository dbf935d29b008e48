// The folder walk of the read benchmarks: depth-first over opendir/readdir, hidden entries
// skipped, every file whose name ends in ".mp3" (any case) handed to a callback; and the floors'
// read of one file: opened, its first 4096 and last 128 bytes read, closed.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

namespace tagmora::bench {

// Calls onFile(path) for every MP3 file under `folder`, in readdir order. Links to folders are
// not followed, so the walk cannot loop. Unreadable folders are skipped.
template <typename OnFile>
void WalkMp3Tree(std::string& folder, OnFile&& onFile) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::size_t base = folder.size();
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        folder.push_back('/');
        folder.append(entry->d_name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat st {};
            const bool isLink = type == DT_LNK;
            if (stat(folder.c_str(), &st) != 0) type = DT_UNKNOWN;
            else if (S_ISDIR(st.st_mode)) type = isLink ? DT_UNKNOWN : DT_DIR;
            else if (S_ISREG(st.st_mode)) type = DT_REG;
        }
        if (type == DT_DIR) {
            WalkMp3Tree(folder, onFile);
        } else if (type == DT_REG) {
            const std::size_t length = std::strlen(entry->d_name);
            if (length >= 4 && strcasecmp(entry->d_name + length - 4, ".mp3") == 0) onFile(folder);
        }
        folder.resize(base);
    }
    closedir(dir);
}

// The floors' work on one file: opens it, reads its first 4096 bytes, and its last 128 when it
// has that many, each read handed to onRead(bytes, length of the read or -1), then closes it.
// False when the file cannot be opened.
template <typename OnRead>
bool ReadHeadAndTail(const std::string& path, OnRead&& onRead) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char head[4096];
    onRead(head, pread(fd, head, sizeof head, 0));
    struct stat st {};
    if (fstat(fd, &st) == 0 && st.st_size >= 128) {
        unsigned char tail[128];
        onRead(tail, pread(fd, tail, sizeof tail, st.st_size - 128));
    }
    close(fd);
    return true;
}

}  // namespace tagmora::bench
