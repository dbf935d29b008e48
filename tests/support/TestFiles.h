// Test support: temporary folders and MP3 files built from a few frames of silence plus the
// tag bytes a test needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tagmora::test {

// A temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Path() + "/" + relative
    std::string operator/(std::string_view relative) const;
    // Creates a subfolder (with parents); returns its full path.
    std::string MakeDir(std::string_view relative) const;

private:
    std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// `count` MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz) of silence, 417 bytes each.
std::string SilentFrames(int count = 3);

// A 128-byte ID3v1 image; texts are raw bytes, cut or zero-padded to their widths.
std::string Id3v1Bytes(std::string_view title, std::string_view artist, std::string_view album, std::string_view year,
                       std::string_view comment, std::uint8_t track, std::uint8_t genre);

// 28-bit synchsafe and 32-bit big-endian sizes.
std::string SynchsafeBytes(std::uint32_t value);
std::string BigEndianBytes(std::uint32_t value);

// One ID3v2 frame: for version 2 a three-letter id with a 3-byte size, for 3 a 32-bit size,
// for 4 a synchsafe size. `flags` are the two flag bytes (versions 3 and 4).
std::string Id3v2Frame(int version, std::string_view id, std::string_view content, std::uint16_t flags = 0);
// A text frame's content: encoding byte followed by the bytes given.
std::string TextContent(std::uint8_t encoding, std::string_view bytes);
// A whole tag: header (version, flags) + frames + `padding` zero bytes; size synchsafe.
std::string Id3v2TagBytes(int version, std::string_view frames, std::size_t padding = 0, std::uint8_t flags = 0);
// A version 2.4 tag with the footer flag and its footer ("3DI" and the header's other bytes).
std::string Id3v2TagWithFooter(std::string_view frames, std::uint8_t flags = 0);
// A version 2.3/2.4 frame whose four size bytes are given as they are.
std::string Id3v2RawFrame(std::string_view id, std::string_view sizeBytes, std::string_view content,
                          std::uint16_t flags = 0);
// Unsynchronised bytes: a zero after every 0xFF followed by 0x00, by a byte of 0xE0 or more, or by nothing.
std::string UnsynchronisedBytes(std::string_view bytes);

}  // namespace tagmora::test
