// The tag fields: one row per column of the list, with its caption, its ID3v2 frame per version,
// its ID3v1 slot, the Id3v2Tag member it is read into and written from, and its place in the batch
// tag dialog and among the command line's write-tags options. The ID3v2 reader and writer, the
// list's columns, the settings and batch tag dialogs and tagmora-cli are made from this table, so
// that a field is added in one row.
//
//   {ColTIT1, "TIT1", ..., "TT1", "TIT1", "TIT1", Id3v1Slot::None, &Id3v2Tag::TIT1, ...}
//   -> the column "TIT1"; a version 2.2 tag gives it by TT1, versions 2.3 and 2.4 by TIT1; ID3v2 only
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagmora {

// The ID3v2 fields that the list shows, as read and as written.
struct Id3v2Tag {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::string CommentOwner;  // language code followed by the description
    std::string Track;
    std::string Genre;  // raw TCON text, e.g. "(17)Rock"
    std::string URL;
    std::string Composer;
    std::string OrigArtist;
    std::string Copyright;
    std::string EncodedBy;
    std::string TXXX;
    std::string UFID;
    std::string MCDI;
    std::string TSSE;
    std::string TIT1;
    std::int64_t FileSize = 0;

    bool operator==(const Id3v2Tag&) const = default;
};

// The fixed column order of every row. The column ids belong to this table (the lowest layer that
// needs them); the file list and everything above it take them from here.
enum ColumnId : int {
    ColFile = 0,
    ColTitle,
    ColAlbum,
    ColArtist,
    ColYear,
    ColTrack,
    ColId3v,
    ColGenre,
    ColComment,
    ColComposer,
    ColOrigArtist,
    ColCopyRight,
    ColURL,
    ColEncodedBy,
    ColTagOwner,
    ColTXXX,
    ColUFID,
    ColMCDI,
    ColTSSE,
    ColTIT1,
    ColFileSize,
};
inline constexpr int kColumnCount = 21;  // ColumnId 0..20

// The fields a tag write sets, in the order their frames are written.
enum class Id3v2Field : int {
    Title,
    Artist,
    Album,
    Year,
    Comment,
    Track,
    Genre,
    URL,
    Composer,
    OrigArtist,
    Copyright,
    EncodedBy,
    TXXX,
    UFID,
    MCDI,
    TSSE,
    TIT1,
};
inline constexpr std::size_t kId3v2FieldCount = 17;
// A column that no frame of its own writes.
inline constexpr auto kNotWritten = static_cast<Id3v2Field>(-1);

// How a field's value sits in its frame.
enum class FieldShape : std::uint8_t {
    None,          // not an ID3v2 field (file name, tag version, file size)
    Text,          // encoding byte, the text
    Year,          // a text frame; in version 2.4 its recording-time frame gives the year when it is missing
    Genre,         // a text frame, written as "(n)Name"
    Comment,       // COMM: language, description (the owner) and text
    CommentOwner,  // the description of the comment frame (no frame of its own)
    Url,           // WXXX: a description, then the link in the code page
    UserText,      // TXXX: a description, then the value
    Raw,           // the bytes after the first one, up to a NUL, in the code page
};

// Where the ID3v1 tag keeps a field, in the order the batch tag command checks the fields' texts.
enum class Id3v1Slot : std::uint8_t { None, Title, Artist, Album, Year, Track, Genre, Comment };

struct TagField {
    ColumnId Column;
    const char* Caption;   // the list's header
    const char* ShowItem;  // the settings dialog's item under "При чтении показывать"
    // The frame identifiers in versions 2.2, 2.3 and 2.4 ("" for none). A version 2.4 tag is read by
    // its own identifiers and by the version 2.3 ones; the writer writes version 2.3.
    std::string_view Frame22, Frame23, Frame24;
    Id3v1Slot V1;
    std::string Id3v2Tag::*Member;  // nullptr for the columns that are no tag field
    Id3v2Field Field;               // the writer's field, kNotWritten for none
    FieldShape Shape;
    // The batch tag dialog and write-tags: the place among the fields (-1: not a field there), the
    // combo box's object name and label, the option and its help.
    int AnswerIndex;
    const char* Control;
    const char* Label;
    const char* Option;
    const char* OptionHelp;

    constexpr bool IsTagField() const { return Member != nullptr; }
    constexpr bool Id3v2Only() const { return IsTagField() && V1 == Id3v1Slot::None; }
};

// clang-format off
inline constexpr std::array<TagField, kColumnCount> kTagFields = {{
    {ColFile, "File", "File name", "", "", "", Id3v1Slot::None, nullptr, kNotWritten, FieldShape::None, -1,
     nullptr, nullptr, nullptr, nullptr},
    {ColTitle, "Title", "Title", "TT2", "TIT2", "TIT2", Id3v1Slot::Title, &Id3v2Tag::Title, Id3v2Field::Title,
     FieldShape::Text, 0, "ComboBoxExTitles", "Title", "--title", "Title"},
    {ColAlbum, "Album", "Album", "TAL", "TALB", "TALB", Id3v1Slot::Album, &Id3v2Tag::Album, Id3v2Field::Album,
     FieldShape::Text, 2, "ComboBoxExAlbum", "Album", "--album", "Album"},
    {ColArtist, "Artist", "Artist", "TP1", "TPE1", "TPE1", Id3v1Slot::Artist, &Id3v2Tag::Artist, Id3v2Field::Artist,
     FieldShape::Text, 1, "ComboBoxExArtist", "Artist", "--artist", "Artist"},
    {ColYear, "Year", "Year", "TYE", "TYER", "TDRC", Id3v1Slot::Year, &Id3v2Tag::Year, Id3v2Field::Year,
     FieldShape::Year, 3, "ComboBoxExYear", "Year", "--year", "Year"},
    {ColTrack, "Track", "Track", "TRK", "TRCK", "TRCK", Id3v1Slot::Track, &Id3v2Tag::Track, Id3v2Field::Track,
     FieldShape::Text, 6, "ComboBoxExTrack", "Track", "--track",
     "Track; also keep, delete, selected (number the checked files in list order) or all (the row's position in "
     "the list)"},
    {ColId3v, "ID3v", "ID3v", "", "", "", Id3v1Slot::None, nullptr, kNotWritten, FieldShape::None, -1,
     nullptr, nullptr, nullptr, nullptr},
    {ColGenre, "Genre", "Genre", "TCO", "TCON", "TCON", Id3v1Slot::Genre, &Id3v2Tag::Genre, Id3v2Field::Genre,
     FieldShape::Genre, 4, "ComboBoxGenre", "Genre", "--genre",
     "Genre (a name of the genre table; ID3v1 writes 12, Other, for any other)"},
    {ColComment, "Comment", "Comment", "COM", "COMM", "COMM", Id3v1Slot::Comment, &Id3v2Tag::Comment,
     Id3v2Field::Comment, FieldShape::Comment, 5, "ComboBoxExComment", "Comment", "--comment", "Comment"},
    {ColComposer, "Composer", "Composer", "TCM", "TCOM", "TCOM", Id3v1Slot::None, &Id3v2Tag::Composer,
     Id3v2Field::Composer, FieldShape::Text, 8, "ComboBoxExComposer", "Composer", "--composer", "Composer"},
    {ColOrigArtist, "OrigArtist", "OrigArtist", "TOA", "TOPE", "TOPE", Id3v1Slot::None, &Id3v2Tag::OrigArtist,
     Id3v2Field::OrigArtist, FieldShape::Text, 9, "ComboBoxExOrigArtist", "OrigArtist", "--orig-artist",
     "OrigArtist"},
    {ColCopyRight, "CopyRight", "Copyright", "TCR", "TCOP", "TCOP", Id3v1Slot::None, &Id3v2Tag::Copyright,
     Id3v2Field::Copyright, FieldShape::Text, 10, "ComboBoxExCopyright", "Copyright", "--copyright", "Copyright"},
    {ColURL, "URL", "Url", "WXX", "WXXX", "WXXX", Id3v1Slot::None, &Id3v2Tag::URL, Id3v2Field::URL,
     FieldShape::Url, 17, "ComboBoxExURL", "URL", "--url", "URL"},
    {ColEncodedBy, "EncodedBy", "EncodedBy", "TEN", "TENC", "TENC", Id3v1Slot::None, &Id3v2Tag::EncodedBy,
     Id3v2Field::EncodedBy, FieldShape::Text, 16, "ComboBoxExEncBy", "EncodedBy", "--encoded-by", "EncodedBy"},
    {ColTagOwner, "TAG Owner", "TAGOwner", "", "", "", Id3v1Slot::None, &Id3v2Tag::CommentOwner,
     Id3v2Field::Comment, FieldShape::CommentOwner, 7, "ComboBoxExCommentOwner", "CommentOwner",
     "--comment-owner", "the comment's owner (TAG Owner)"},
    {ColTXXX, "TXXX", "TXXX", "TXX", "TXXX", "TXXX", Id3v1Slot::None, &Id3v2Tag::TXXX, Id3v2Field::TXXX,
     FieldShape::UserText, 15, "ComboBoxExTXXX", "TXXX", "--txxx", "TXXX"},
    {ColUFID, "UFID", "UFID", "UFI", "UFID", "UFID", Id3v1Slot::None, &Id3v2Tag::UFID, Id3v2Field::UFID,
     FieldShape::Raw, 14, "ComboBoxExUFID", "UFID", "--ufid", "UFID"},
    {ColMCDI, "MCDI", "MCDI", "MCI", "MCDI", "MCDI", Id3v1Slot::None, &Id3v2Tag::MCDI, Id3v2Field::MCDI,
     FieldShape::Raw, 13, "ComboBoxExMCDI", "MCDI", "--mcdi", "MCDI"},
    {ColTSSE, "TSSE", "TSSE", "TSS", "TSSE", "TSSE", Id3v1Slot::None, &Id3v2Tag::TSSE, Id3v2Field::TSSE,
     FieldShape::Text, 12, "ComboBoxExTSSE", "TSSE", "--tsse", "TSSE"},
    {ColTIT1, "TIT1", "TIT1", "TT1", "TIT1", "TIT1", Id3v1Slot::None, &Id3v2Tag::TIT1, Id3v2Field::TIT1,
     FieldShape::Text, 11, "ComboBoxExTIT1", "TIT1", "--tit1", "TIT1"},
    {ColFileSize, "File size", "File size", "", "", "", Id3v1Slot::None, nullptr, kNotWritten, FieldShape::None,
     -1, nullptr, nullptr, nullptr, nullptr},
}};
// clang-format on

// The row of a column.
constexpr const TagField& TagFieldOf(int column) { return kTagFields[static_cast<std::size_t>(column)]; }

// The fields of the batch tag dialog and of write-tags, in their order there.
inline constexpr std::size_t kAnswerFieldCount = 18;
constexpr std::array<ColumnId, kAnswerFieldCount> AnswerColumns() {
    std::array<ColumnId, kAnswerFieldCount> out{};
    for (const TagField& field : kTagFields) {
        if (field.AnswerIndex >= 0) out[static_cast<std::size_t>(field.AnswerIndex)] = field.Column;
    }
    return out;
}
inline constexpr std::array<ColumnId, kAnswerFieldCount> kAnswerColumns = AnswerColumns();

// The column each written field's frame is made from, in the writer's order (Id3v2Field).
constexpr std::array<ColumnId, kId3v2FieldCount> WrittenColumns() {
    std::array<ColumnId, kId3v2FieldCount> out{};
    for (const TagField& field : kTagFields) {
        if (field.Field != kNotWritten && field.Shape != FieldShape::CommentOwner)
            out[static_cast<std::size_t>(field.Field)] = field.Column;
    }
    return out;
}
inline constexpr std::array<ColumnId, kId3v2FieldCount> kWrittenColumns = WrittenColumns();

}  // namespace tagmora
