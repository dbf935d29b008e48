// Text and file helpers shared by the commands.
#include "common/FileHelpers.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>  // renameat2, RENAME_NOREPLACE (glibc 2.28 and later)
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Text.h"

namespace tagmora {

namespace {

// Creates `folder` and every missing parent; existing folders are fine. False with errno set to
// the cause when a folder cannot be created.
bool CreateFolders(const std::string& folder) {
    if (folder.empty()) return true;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return true;
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !CreateFolders(folder.substr(0, slash))) return false;
    return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

// rename without replacing: RENAME_NOREPLACE where the file system supports it, otherwise a hard
// link to the new name (which fails on an existing target) and removal of the old name. 0 or the
// errno value of the failure.
int RenameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from, to) != 0) return errno;
    if (::unlink(from) != 0) {
        const int error = errno;
        ::unlink(to);
        return error;
    }
    return 0;
}

}  // namespace

std::string ReplaceBannedChars(std::string_view text, std::string_view replaceSymbol) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        // Every banned character is ASCII, so bytes of multi-byte characters never match.
        if (BannedChars.find(c) != std::string_view::npos) {
            out.append(replaceSymbol);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ReplaceControlChars(std::string_view text, std::string_view replaceSymbol) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            out.append(replaceSymbol);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::size_t LastBackslashPos(std::string_view path) {
    const std::size_t at = path.rfind('/');
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string FolderOfPath(std::string_view path) { return std::string(path.substr(0, LastBackslashPos(path))); }

FileResult MoveFileWithFolders(const std::string& oldPath, const std::string& newPath) {
    const std::size_t slash = LastBackslashPos(newPath);
    if (slash > 1 && !CreateFolders(newPath.substr(0, slash - 1))) return FileResult{errno};
    return FileResult{RenameNoReplace(oldPath.c_str(), newPath.c_str())};
}

int PrepareFileForWrite(const std::string& path, bool tryChangeAttrs, int* error) {
    int failure = 0;
    int result = kFileWritable;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        failure = errno;
        result = kFileMissing;
    } else if ((st.st_mode & S_IWUSR) == 0) {
        result = kFileReadOnly;
        if (tryChangeAttrs) {
            const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
            if (::chmod(path.c_str(), mode) == 0) {
                result = kFileWritable;
            } else {
                failure = errno;
            }
        }
    }
    if (error != nullptr) *error = failure;
    return result;
}

std::string RotateText(std::string_view text) {
    if (text.empty()) return {};
    std::size_t first = 0;
    text::NextCodePoint(text, first);
    std::string out;
    out.reserve(text.size());
    out.append(text.substr(first));
    out.append(text.substr(0, first));
    return out;
}

bool StrToIntCheck(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    // The magnitude may reach 2^31 (INT32_MIN); anything larger stops the loop before it can grow.
    std::int64_t acc = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        acc = acc * 10 + (c - '0');
        if (acc > std::int64_t{INT32_MAX} + 1) return false;
    }
    if (!negative && acc > INT32_MAX) return false;
    value = static_cast<std::int32_t>(negative ? -acc : acc);
    return true;
}

bool StrToByteCheck(std::string_view text, std::uint8_t& value) {
    std::int32_t v = 0;
    if (!StrToIntCheck(text, v)) return false;
    value = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFF);
    return true;
}

}  // namespace tagmora
