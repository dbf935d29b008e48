// Text and file helpers shared by the commands.
#include "common/FileHelpers.h"

#include <cstdint>
#include <string>

#include "common/Text.h"
#include "platform/FileIo.h"

namespace tagmora {

using fileio::ChangeMode;
using fileio::MakeFolders;
using fileio::PathStatus;
using fileio::RenameNoReplace;
using fileio::StatPath;

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
    if (slash > 1) {
        if (const int error = MakeFolders(newPath.substr(0, slash - 1)); error != 0) return FileResult{error};
    }
    return FileResult{RenameNoReplace(oldPath, newPath)};
}

FileReadiness PrepareFileForWrite(const std::string& path, bool tryChangeAttrs, int* error) {
    int failure = 0;
    FileReadiness result = FileReadiness::Writable;
    const PathStatus status = StatPath(path);
    if (!status.Exists()) {
        failure = status.Error;
        result = FileReadiness::Missing;
    } else if ((status.Mode & 0200) == 0) {  // the owner may not write
        result = FileReadiness::ReadOnly;
        if (tryChangeAttrs) {
            failure = ChangeMode(path, status.Mode | 0200);
            if (failure == 0) result = FileReadiness::Writable;
        }
    }
    if (error != nullptr) *error = failure;
    return result;
}

FileReadiness CheckFileForWrite(const std::string& path, bool tryChangeAttrs, int* error) {
    const PathStatus status = StatPath(path);
    if (error != nullptr) *error = status.Error;
    if (!status.Exists()) return FileReadiness::Missing;
    return (status.Mode & 0200) != 0 || tryChangeAttrs ? FileReadiness::Writable : FileReadiness::ReadOnly;
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
