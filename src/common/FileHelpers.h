// Text and file helpers shared by the commands: file-name characters, the folder part of a path,
// moving a file into new folders, preparing a file for a tag write, the title rotation and
// strict number conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagmora {

// The characters that preset file names may not contain, in this order.
inline constexpr std::string_view BannedChars = "/|\\?;*\"<>:";

// The text with every character of BannedChars replaced by `replaceSymbol` (the setting
// ReplaceSymbol; an empty symbol drops the character). "AC/DC: Live?" with " " gives
// "AC DC  Live ".
std::string ReplaceBannedChars(std::string_view text, std::string_view replaceSymbol);

// The text with every C0 control character (U+0000 to U+001F) and DEL replaced by
// `replaceSymbol` (an empty symbol drops it): a new file name never holds a line break or a tab,
// which would break every shell loop over the folder. "a\nb" with "_" gives "a_b".
std::string ReplaceControlChars(std::string_view text, std::string_view replaceSymbol);

// The 1-based byte position of the last folder separator "/" of the path, 0 when it has none.
std::size_t LastBackslashPos(std::string_view path);

// The path up to and including its last "/" ("/Music/Album/01.mp3" -> "/Music/Album/"), the empty
// text when it has none.
std::string FolderOfPath(std::string_view path);

// The outcome of a file operation: done, or the errno value of the failure.
struct FileResult {
    int Error = 0;  // 0: done
    bool Ok() const { return Error == 0; }
    explicit operator bool() const { return Ok(); }
};

// Moves the file `oldPath` to `newPath`, first creating the target folder with every missing
// parent (folders created stay when the move fails). Never replaces an existing file and never
// copies: a target that exists (EEXIST), a move to another file system (EXDEV), a missing source
// (ENOENT) or a refused permission all fail, with the cause in the result.
FileResult MoveFileWithFolders(const std::string& oldPath, const std::string& newPath);

// Whether a file may be written: Writable; Missing when it does not exist (or cannot be
// examined); ReadOnly when the owner has no write permission and it may not be changed.
enum class FileReadiness { Writable, Missing, ReadOnly };

// The file's readiness. With `tryChangeAttrs` a read-only file gets the owner's write permission,
// every other permission bit kept, and is Writable (ReadOnly when the permission cannot be
// changed). This is the one place of that rule. When `error` is not null it receives the errno of
// a failed examination or change, 0 otherwise (also for a read-only file left alone).
FileReadiness PrepareFileForWrite(const std::string& path, bool tryChangeAttrs, int* error = nullptr);

// What PrepareFileForWrite would give, changing nothing: Writable also for a read-only file when
// `tryChangeAttrs` would make it writable.
FileReadiness CheckFileForWrite(const std::string& path, bool tryChangeAttrs, int* error = nullptr);

// The text from its second character (code point) on, followed by its first: "abc" -> "bca".
std::string RotateText(std::string_view text);

// Converts a whole text of an optional sign and decimal digits to a 32-bit signed integer. False
// (and `value` untouched) for the empty text, blanks, any other character or a value beyond the
// 32-bit range.
bool StrToIntCheck(std::string_view text, std::int32_t& value);

// StrToIntCheck keeping the low 8 bits of the value ("257" gives 1, "-1" gives 255).
bool StrToByteCheck(std::string_view text, std::uint8_t& value);

}  // namespace tagmora
