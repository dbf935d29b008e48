// Text: UTF-8 by code point, the legacy 8-bit code pages, UTF-16, and case folding.
// Inside the program every text is UTF-8 in std::string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tagmora::text {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decodes the code point at `pos` and advances `pos`; an invalid or truncated sequence yields
// U+FFFD and advances by one byte.
char32_t NextCodePoint(std::string_view s, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

std::u32string ToCodePoints(std::string_view utf8);
std::string FromCodePoints(std::u32string_view cps);
std::size_t CodePointCount(std::string_view utf8);
bool IsValidUtf8(std::string_view s);
// The text with every invalid byte sequence replaced by U+FFFD (for display).
std::string SanitizeUtf8(std::string_view s);

// The first `count` code points of the text.
std::string TakeCodePoints(std::string_view utf8, std::size_t count);

// 8-bit legacy code pages: 1251 (Cyrillic) and 1252 (Western). Other values act as 1251.
std::string DecodeCodePage(std::string_view bytes, int codePage);
// Characters the code page cannot hold become '?'.
std::string EncodeCodePage(std::string_view utf8, int codePage);

// UTF-16: with a byte-order mark the mark decides; without one `bigEndian` does.
// Unpaired surrogates become U+FFFD; a trailing odd byte is dropped.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);
// UTF-16 little-endian with a byte-order mark.
std::string EncodeUtf16LeWithBom(std::string_view utf8);

// Unicode simple case folding.
char32_t FoldCase(char32_t cp);
std::string FoldCase(std::string_view utf8);
// Compares ignoring case (simple folding), by code point: <0, 0, >0.
int CompareIgnoreCase(std::string_view a, std::string_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// ASCII helpers.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
// AsciiLower on each of the eight bytes of a word.
std::uint64_t AsciiLowerWord(std::uint64_t w);
bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b);
// Are all bytes below 0x80? (Eight at a time.)
bool IsAscii(std::string_view s);

}  // namespace tagmora::text
