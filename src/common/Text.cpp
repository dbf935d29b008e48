// UTF-8 by code point, the code pages 1251 and 1252 by table, UTF-16, and case folding through
// ICU's simple case folding.
#include "common/Text.h"

#include <unicode/uchar.h>

#include <array>
#include <cstring>

namespace tagmora::text {

char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++pos;
        return kReplacementChar;
    }
    if (pos + static_cast<std::size_t>(extra) >= s.size()) {
        ++pos;
        return kReplacementChar;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char b = byte(pos + static_cast<std::size_t>(i));
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kReplacementChar;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kReplacementChar;
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return cp;
}

namespace {

// Writes the UTF-8 bytes of `cp` (U+FFFD for a surrogate or a value past U+10FFFF) at `at`, and
// returns where they end.
char* PutUtf8(char* at, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
    if (cp < 0x80) {
        *at++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *at++ = static_cast<char>(0xC0 | (cp >> 6));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *at++ = static_cast<char>(0xE0 | (cp >> 12));
        *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *at++ = static_cast<char>(0xF0 | (cp >> 18));
        *at++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return at;
}

// The text `decode(begin)` writes from `begin` up to the end it returns, `most` bytes at most: a
// short one is made on the stack and copied once, a long one in place.
template <class Decode>
std::string DecodedText(std::size_t most, const Decode& decode) {
    constexpr std::size_t kOnStack = 256;
    if (most <= kOnStack) {
        char text[kOnStack];
        return std::string(text, decode(text));
    }
    std::string out(most, '\0');
    out.resize(static_cast<std::size_t>(decode(out.data()) - out.data()));
    return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    char bytes[4];
    out.append(bytes, PutUtf8(bytes, cp));
}

std::u32string ToCodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) out.push_back(NextCodePoint(utf8, pos));
    return out;
}

std::string FromCodePoints(std::u32string_view cps) {
    std::string out;
    out.reserve(cps.size());
    for (char32_t cp : cps) AppendUtf8(out, cp);
    return out;
}

std::size_t CodePointCount(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        NextCodePoint(utf8, pos);
        ++n;
    }
    return n;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (static_cast<unsigned char>(s[pos]) < 0x80) {  // ASCII, the common case, needs no decoding
            ++pos;
            continue;
        }
        const std::size_t before = pos;
        const char32_t cp = NextCodePoint(s, pos);
        if (cp == kReplacementChar && pos == before + 1) {
            // U+FFFD itself is three bytes long, so a one-byte advance means an invalid byte.
            return false;
        }
    }
    return true;
}

std::string SanitizeUtf8(std::string_view s) {
    if (IsValidUtf8(s)) return std::string(s);
    std::string out;
    out.reserve(s.size() + 8);
    std::size_t pos = 0;
    while (pos < s.size()) AppendUtf8(out, NextCodePoint(s, pos));
    return out;
}

std::string TakeCodePoints(std::string_view utf8, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count && pos < utf8.size(); ++i) NextCodePoint(utf8, pos);
    return std::string(utf8.substr(0, pos));
}

namespace {

// Code points of bytes 0x80..0xFF; 0 marks a byte the code page leaves undefined.
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr std::array<char16_t, 32> kCp1252High = {
    // 0x80..0x9F; 0xA0..0xFF equal Latin-1
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x0000, 0x017D, 0x0000, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
};

char32_t ByteToCodePoint(unsigned char b, int codePage) {
    if (b < 0x80) return b;
    char16_t cp = 0;
    if (codePage == 1252) {
        cp = b >= 0xA0 ? static_cast<char16_t>(b) : kCp1252High[b - 0x80];
    } else {
        cp = kCp1251[b - 0x80];
    }
    // Undefined bytes map to the C1 control of the same value, as Windows does.
    return cp == 0 ? static_cast<char32_t>(b) : static_cast<char32_t>(cp);
}

int CodePointToByte(char32_t cp, int codePage) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (ByteToCodePoint(static_cast<unsigned char>(b), codePage) == cp) return b;
    }
    return -1;
}

}  // namespace

std::string DecodeCodePage(std::string_view bytes, int codePage) {
    // A byte gives at most three bytes of UTF-8: the code pages' characters are all below U+10000.
    return DecodedText(3 * bytes.size(), [&](char* at) {
        for (const char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) *at++ = c;
            else at = PutUtf8(at, ByteToCodePoint(b, codePage));
        }
        return at;
    });
}

std::string EncodeCodePage(std::string_view utf8, int codePage) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const int b = CodePointToByte(NextCodePoint(utf8, pos), codePage);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::size_t i = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            i = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
            i = 2;
        }
    }
    const auto unit = [&](std::size_t at) -> char32_t {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? at : at + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? at + 1 : at]);
        return static_cast<char32_t>((hi << 8) | lo);
    };
    // A unit gives at most three bytes of UTF-8, a pair of units four.
    return DecodedText(3 * (bytes.size() / 2), [&](char* at) {
        while (i + 1 < bytes.size()) {
            char32_t u = unit(i);
            i += 2;
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (i + 1 < bytes.size()) {
                    const char32_t low = unit(i);
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        i += 2;
                        at = PutUtf8(at, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                        continue;
                    }
                }
                u = kReplacementChar;
            } else if (u >= 0xDC00 && u <= 0xDFFF) {
                u = kReplacementChar;
            }
            at = PutUtf8(at, u);
        }
        return at;
    });
}

std::string EncodeUtf16LeWithBom(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    const auto put = [&](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            put(0xD800 + (v >> 10));
            put(0xDC00 + (v & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

char32_t FoldCase(char32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) AppendUtf8(out, FoldCase(NextCodePoint(utf8, pos)));
    return out;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = FoldCase(NextCodePoint(a, i));
        const char32_t y = FoldCase(NextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) { return CompareIgnoreCase(a, b) == 0; }

std::uint64_t AsciiLowerWord(std::uint64_t w) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    const std::uint64_t seven = w & (kOnes * 0x7F);
    const std::uint64_t fromA = seven + kOnes * (0x80 - 'A');      // high bit: 'A' or above
    const std::uint64_t pastZ = seven + kOnes * (0x80 - 'Z' - 1);  // high bit: above 'Z'
    const std::uint64_t upper = fromA & ~pastZ & ~w & (kOnes * 0x80);
    return w | upper >> 2;
}

bool IsAscii(std::string_view s) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (std::uint64_t w = 0; i + 8 <= s.size(); i += 8) {
        std::memcpy(&w, s.data() + i, 8);
        any |= w;
    }
    for (; i < s.size(); ++i) any |= static_cast<unsigned char>(s[i]);
    return (any & 0x8080808080808080) == 0;
}

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace tagmora::text
