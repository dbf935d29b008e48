// Pictures in ID3v2 tags: the front cover a tag holds (an APIC frame of picture type 3), the
// picture files a cover is set from, and what their own bytes tell of them (JPEG or PNG, pixel
// size from the header, without decoding the picture).
//
//   FF D8 FF E0 ... FF C0 00 11 08 01 F4 02 58 ...  ->  image/jpeg, 600 x 500
//   APIC 00 "image/png" 00 03 00 <PNG bytes>        ->  the front cover, image/png
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/TagOutcome.h"

namespace tagmora {

// The largest picture a cover is set from.
inline constexpr std::uint64_t kMaxCoverBytes = std::uint64_t{16} << 20;
// The picture type of the front cover.
inline constexpr unsigned char kFrontCoverType = 3;

inline constexpr std::string_view kJpegMime = "image/jpeg";
inline constexpr std::string_view kPngMime = "image/png";

// kJpegMime or kPngMime when `bytes` start as a JPEG or PNG picture, else "".
std::string_view PictureMimeOf(std::string_view bytes);

// ".jpg" for a JPEG, ".png" for a PNG; another image type's subtype (".gif"), else ".bin".
std::string PictureExtensionOf(std::string_view mime);

struct PixelSize {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
};
// The pixel size a JPEG (its first SOF segment) or PNG (IHDR) header gives; nothing for other
// bytes or a header cut short.
std::optional<PixelSize> PicturePixelSize(std::string_view bytes);

// A picture as a tag holds it.
struct Picture {
    std::string Mime;  // as the frame names it (a version 2.2 format "JPG" as image/jpeg)
    unsigned char Type = 0;
    std::string Bytes;
};

// The parts of an APIC frame's content (version 2.2 PIC: `pic`): MIME type (or image format),
// picture type and the picture's bytes after the description; nothing when the content is cut
// short before its picture.
struct PictureParts {
    std::string_view Mime;
    unsigned char Type = 0;
    std::string_view Data;
};
std::optional<PictureParts> ParsePictureContent(std::string_view content, bool pic = false);

// The content of the APIC frame a cover is set with: text encoding 0, the picture's MIME type,
// picture type 3 (front cover), an empty description, the picture.
std::string FrontCoverContent(std::string_view mime, std::string_view bytes);

// The pictures of a file's ID3v2 tag, read whole (unlike the list's read, which skips them).
struct TagPictures {
    TagRead Result = TagRead::NoTag;  // Failed: `Error` (ENOENT for a missing file)
    int Error = 0;
    int Count = 0;                      // APIC (PIC) frames of any type
    std::optional<Picture> FrontCover;  // the first picture of type 3
};
TagPictures ReadTagPictures(const std::string& path);

// A picture file a cover is to be set from.
enum class PictureFileStatus { Ok, Unreadable, NotPicture, TooLarge };
struct PictureFile {
    PictureFileStatus Status = PictureFileStatus::Ok;
    int Error = 0;  // Unreadable: the errno
    std::string Mime;
    std::string Bytes;  // only when asked for
};
// Checks (and with `withBytes` reads) the picture file at `path`: a regular file of at most
// kMaxCoverBytes that starts as a JPEG or PNG picture. Nothing else of it is read.
PictureFile LoadPictureFile(const std::string& path, bool withBytes = true);
// Why a picture file cannot be a cover, in English ("" for Ok).
std::string PictureFileProblem(const PictureFile& file);

// Saves `bytes` as `folder` + `stem` + `extension`, or, when a file has that name, with " (2)",
// " (3)"... after the stem: never over an existing file. 0 with `saved` the path, or the errno.
int SavePictureNoReplace(const std::string& folder, const std::string& stem, const std::string& extension,
                         std::string_view bytes, std::string& saved);

// The cover picture of a folder (a path ending in "/"): the first name of cover, folder, front,
// albumart with the extension .jpg, .jpeg or .png, letter case ignored (of names that differ only
// in case, the first in byte order); "" when there is none. The full path.
std::string FolderPicturePath(const std::string& folder);

}  // namespace tagmora
