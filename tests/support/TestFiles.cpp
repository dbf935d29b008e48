#include "TestFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tagmora::test {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "tagmora-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back write permission first so that read-only test folders can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view relative) const { return path_ + "/" + std::string(relative); }

std::string TempDir::MakeDir(std::string_view relative) const {
    const std::string full = *this / relative;
    fs::create_directories(full);
    return full;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SilentFrames(int count) {
    // Header FF FB 90 64: MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no padding -> 417 bytes.
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x64';
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

namespace {
std::string Field(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, '\0');
    return out;
}
}  // namespace

std::string Id3v1Bytes(std::string_view title, std::string_view artist, std::string_view album, std::string_view year,
                       std::string_view comment, std::uint8_t track, std::uint8_t genre) {
    std::string out = "TAG";
    out += Field(title, 30);
    out += Field(artist, 30);
    out += Field(album, 30);
    out += Field(year, 4);
    out += Field(comment, 29);
    out.push_back(static_cast<char>(track));
    out.push_back(static_cast<char>(genre));
    return out;
}

std::string SynchsafeBytes(std::uint32_t v) {
    std::string out(4, '\0');
    out[0] = static_cast<char>((v >> 21) & 0x7F);
    out[1] = static_cast<char>((v >> 14) & 0x7F);
    out[2] = static_cast<char>((v >> 7) & 0x7F);
    out[3] = static_cast<char>(v & 0x7F);
    return out;
}

std::string BigEndianBytes(std::uint32_t v) {
    std::string out(4, '\0');
    out[0] = static_cast<char>((v >> 24) & 0xFF);
    out[1] = static_cast<char>((v >> 16) & 0xFF);
    out[2] = static_cast<char>((v >> 8) & 0xFF);
    out[3] = static_cast<char>(v & 0xFF);
    return out;
}

std::string Id3v2Frame(int version, std::string_view id, std::string_view content, std::uint16_t flags) {
    std::string out(id);
    const auto size = static_cast<std::uint32_t>(content.size());
    if (version == 2) {
        out += BigEndianBytes(size).substr(1);
        out += content;
        return out;
    }
    out += version == 4 ? SynchsafeBytes(size) : BigEndianBytes(size);
    out.push_back(static_cast<char>(flags >> 8));
    out.push_back(static_cast<char>(flags & 0xFF));
    out += content;
    return out;
}

std::string TextContent(std::uint8_t encoding, std::string_view bytes) {
    std::string out(1, static_cast<char>(encoding));
    out += bytes;
    return out;
}

std::string Id3v2TagBytes(int version, std::string_view frames, std::size_t padding, std::uint8_t flags) {
    std::string out = "ID3";
    out.push_back(static_cast<char>(version));
    out.push_back('\0');
    out.push_back(static_cast<char>(flags));
    out += SynchsafeBytes(static_cast<std::uint32_t>(frames.size() + padding));
    out += frames;
    out.append(padding, '\0');
    return out;
}

std::string Id3v2TagWithFooter(std::string_view frames, std::uint8_t flags) {
    const std::string tag = Id3v2TagBytes(4, frames, 0, static_cast<std::uint8_t>(flags | 0x10));
    return tag + "3DI" + tag.substr(3, 7);
}

std::string Id3v2RawFrame(std::string_view id, std::string_view sizeBytes, std::string_view content,
                          std::uint16_t flags) {
    std::string out(id);
    out += sizeBytes;
    out.push_back(static_cast<char>(flags >> 8));
    out.push_back(static_cast<char>(flags & 0xFF));
    out += content;
    return out;
}

std::string UnsynchronisedBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] != '\xFF') continue;
        if (i + 1 == bytes.size() || bytes[i + 1] == '\0' || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0)
            out.push_back('\0');
    }
    return out;
}

}  // namespace tagmora::test
