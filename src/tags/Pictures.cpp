// Pictures in ID3v2 tags and in picture files: recognising JPEG and PNG by their bytes, their pixel
// size from the header, the APIC frame's parts, a file's front cover, a folder's cover picture.
#include "tags/Pictures.h"

#include <cerrno>
#include <cstring>
#include <tuple>

#include "common/Text.h"
#include "platform/FileIo.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Layout.h"
#include "tags/Id3v2Read.h"

namespace tagmora {

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string AsciiLowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = text::AsciiLower(c);
    return out;
}

// The size in the first start-of-frame segment of a JPEG (markers C0..CF but C4 DHT, C8 JPG and CC
// DAC); segments before it are skipped by their lengths.
std::optional<PixelSize> JpegPixelSize(std::string_view bytes) {
    std::size_t at = 2;  // after the start-of-image marker
    while (at + 1 < bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) return std::nullopt;
        while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) ++at;  // fill bytes
        if (at >= bytes.size()) break;
        const auto marker = static_cast<unsigned char>(bytes[at++]);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;    // no length follows
        if (marker == 0xD9 || marker == 0xDA || at + 2 > bytes.size()) break;  // the image ends or its data starts
        const std::uint32_t length = BigEndian(bytes, at, 2);
        if (length < 2) break;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (at + 7 > bytes.size()) break;
            return PixelSize{BigEndian(bytes, at + 5, 2), BigEndian(bytes, at + 3, 2)};
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace

std::string_view PictureMimeOf(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8\xFF")) return kJpegMime;
    if (bytes.starts_with(kPngSignature)) return kPngMime;
    return {};
}

std::string PictureExtensionOf(std::string_view mime) {
    const std::string lower = AsciiLowered(mime);
    if (lower == kJpegMime || lower == "image/jpg") return ".jpg";
    if (lower == kPngMime) return ".png";
    constexpr std::string_view kImage = "image/";
    const std::string_view subtype = std::string_view(lower).substr(lower.starts_with(kImage) ? kImage.size() : 0);
    const bool plain = lower.starts_with(kImage) && !subtype.empty() && subtype.size() <= 8 &&
                       subtype.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789") == std::string_view::npos;
    return plain ? "." + std::string(subtype) : ".bin";
}

std::optional<PixelSize> PicturePixelSize(std::string_view bytes) {
    if (PictureMimeOf(bytes) == kJpegMime) return JpegPixelSize(bytes);
    if (PictureMimeOf(bytes) == kPngMime && bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR")
        return PixelSize{BigEndian(bytes, 16, 4), BigEndian(bytes, 20, 4)};
    return std::nullopt;
}

std::optional<PictureParts> ParsePictureContent(std::string_view content, bool pic) {
    if (content.empty()) return std::nullopt;
    const auto encoding = static_cast<unsigned char>(content[0]);
    std::string_view rest = content.substr(1);
    PictureParts parts;
    if (pic) {  // a three-letter image format
        if (rest.size() < 3) return std::nullopt;
        const std::string format = AsciiLowered(rest.substr(0, 3));
        parts.Mime = format == "jpg" ? kJpegMime : format == "png" ? kPngMime : rest.substr(0, 3);
        rest.remove_prefix(3);
    } else {
        const std::size_t end = rest.find('\0');
        if (end == std::string_view::npos) return std::nullopt;
        parts.Mime = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    if (rest.empty()) return std::nullopt;
    parts.Type = static_cast<unsigned char>(rest[0]);
    rest.remove_prefix(1);
    // The description ends at a zero byte, or two at an even place in UTF-16 (encodings 1 and 2).
    std::size_t end = std::string_view::npos;
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
            if (rest[i] == '\0' && rest[i + 1] == '\0') {
                end = i + 2;
                break;
            }
        }
    } else if (const std::size_t nul = rest.find('\0'); nul != std::string_view::npos) {
        end = nul + 1;
    }
    if (end == std::string_view::npos) return std::nullopt;
    parts.Data = rest.substr(end);
    return parts;
}

std::string FrontCoverContent(std::string_view mime, std::string_view bytes) {
    std::string content;
    content.reserve(mime.size() + bytes.size() + 4);
    content.push_back('\0');
    content += mime;
    content.push_back('\0');
    content.push_back(static_cast<char>(kFrontCoverType));
    content.push_back('\0');
    content += bytes;
    return content;
}

TagPictures ReadTagPictures(const std::string& path) {
    TagPictures out;
    const fileio::OpenedFile opened = fileio::OpenRegularFile(path);
    if (!opened.Ok()) {
        out.Result = TagRead::Failed;
        out.Error = opened.Error;
        return out;
    }
    std::string tag(kId3v2HeadBlock, '\0');
    std::size_t got = 0;
    if ((out.Error = fileio::ReadAt(opened.File.Get(), tag.data(), tag.size(), 0, got)) != 0) {
        out.Result = TagRead::Failed;
        return out;
    }
    const auto* head = reinterpret_cast<const unsigned char*>(tag.data());
    if (!StartsWithId3v2(head, got)) return out;
    out.Result = TagRead::Found;
    const std::uint64_t extent = Id3v2ReadExtent(head, got, opened.Size);
    if (extent > got) {
        tag.resize(static_cast<std::size_t>(extent));
        std::size_t more = 0;
        if ((out.Error = fileio::ReadAt(opened.File.Get(), tag.data() + got, tag.size() - got,
                                        static_cast<std::int64_t>(got), more)) != 0) {
            out.Result = TagRead::Failed;
            return out;
        }
        got += more;
    }
    id3v2::Layout layout;
    std::string resynchronised;
    if (!id3v2::ParseLayout(reinterpret_cast<const unsigned char*>(tag.data()), got, layout, resynchronised))
        return out;
    const int version = layout.TagHeader.Version;
    const bool unsynchronised = layout.TagHeader.Has(id3v2::Header::kUnsynchronised);
    id3v2::ContentScratch scratch;
    for (const id3v2::Frame& frame : layout.Frames.Frames) {
        if (frame.Id != (version == 2 ? "PIC" : "APIC")) continue;
        ++out.Count;
        std::string_view content;
        if (out.FrontCover || id3v2::DecodeFrameContent(frame.Body(), frame.Flags, version, unsynchronised, scratch,
                                                        content) != id3v2::ContentStatus::Ok)
            continue;
        const std::optional<PictureParts> parts = ParsePictureContent(content, version == 2);
        if (parts && parts->Type == kFrontCoverType)
            out.FrontCover = Picture{std::string(parts->Mime), parts->Type, std::string(parts->Data)};
    }
    return out;
}

PictureFile LoadPictureFile(const std::string& path, bool withBytes) {
    PictureFile file;
    const fileio::OpenedFile opened = fileio::OpenRegularFile(path);
    if (!opened.Ok()) {
        file.Status = PictureFileStatus::Unreadable;
        file.Error = opened.Error;
        return file;
    }
    if (static_cast<std::uint64_t>(opened.Size) > kMaxCoverBytes) {
        file.Status = PictureFileStatus::TooLarge;
        return file;
    }
    std::string bytes(withBytes ? static_cast<std::size_t>(opened.Size) : kPngSignature.size(), '\0');
    std::size_t got = 0;
    if ((file.Error = fileio::ReadAt(opened.File.Get(), bytes.data(), bytes.size(), 0, got)) != 0) {
        file.Status = PictureFileStatus::Unreadable;
        return file;
    }
    bytes.resize(got);
    file.Mime = PictureMimeOf(bytes);
    if (file.Mime.empty()) file.Status = PictureFileStatus::NotPicture;
    else if (withBytes) file.Bytes = std::move(bytes);
    return file;
}

std::string PictureFileProblem(const PictureFile& file) {
    switch (file.Status) {
        case PictureFileStatus::Ok: break;
        case PictureFileStatus::Unreadable: return std::strerror(file.Error);
        case PictureFileStatus::NotPicture: return "not a JPEG or PNG picture";
        case PictureFileStatus::TooLarge: return "a picture larger than 16 MiB";
    }
    return {};
}

int SavePictureNoReplace(const std::string& folder, const std::string& stem, const std::string& extension,
                         std::string_view bytes, std::string& saved) {
    constexpr int kTries = 10000;
    int error = EEXIST;
    for (int n = 1; n <= kTries && error == EEXIST; ++n) {
        saved = folder + stem + (n > 1 ? " (" + std::to_string(n) + ")" : std::string()) + extension;
        error = fileio::CreateFileNoReplace(saved, bytes);
    }
    if (error != 0) saved.clear();
    return error;
}

std::string FolderPicturePath(const std::string& folder) {
    static constexpr std::string_view kStems[] = {"cover", "folder", "front", "albumart"};
    static constexpr std::string_view kExtensions[] = {"jpg", "jpeg", "png"};
    std::tuple<std::size_t, std::size_t, std::string> best{std::size(kStems), 0, {}};
    fileio::ListFolderEntries(folder, false, [&](std::string_view name, fileio::EntryKind kind) {
        const std::size_t dot = name.rfind('.');
        if (kind != fileio::EntryKind::File || dot == std::string_view::npos) return;
        const std::string stem = AsciiLowered(name.substr(0, dot));
        const std::string extension = AsciiLowered(name.substr(dot + 1));
        for (std::size_t s = 0; s < std::size(kStems); ++s) {
            for (std::size_t e = 0; e < std::size(kExtensions); ++e) {
                if (stem != kStems[s] || extension != kExtensions[e]) continue;
                std::tuple<std::size_t, std::size_t, std::string> found{s, e, std::string(name)};
                if (found < best) best = std::move(found);
            }
        }
    });
    return std::get<0>(best) < std::size(kStems) ? folder + std::get<2>(best) : std::string();
}

}  // namespace tagmora
