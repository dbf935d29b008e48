// The batch tag dialog as the batch tag command sees it: what the command hands the dialog
// before showing it, and what it reads back after OK.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "tags/TagFields.h"

namespace tagmora {

class FileList;

// Handed to the dialog before it is shown.
struct WriteTagsRequest {
    int Mode = 1;                        // 1: ID3v1 layout, 2: ID3v2 layout
    int CheckedCount = 0;                // appended to the caption
    std::vector<std::string> MemoLines;  // MemoTitles: one line per checked row
    std::string CurrentFolder;           // for the Artist and Album items
    int SampleRow = -1;                  // the row the previews are evaluated on
};

// Read back after the dialog closed with OK ("Начать"): the texts of the field combos (keywords
// such as "Оставить как есть" included), the memo lines, the kill-tags check box and the mode the
// mode button shows.
struct WriteTagsAnswer {
    int Mode = 1;
    std::string Title, Artist, Album, Year, Genre, Comment, Track;
    std::string CommentOwner, Composer, OrigArtist, Copyright, TIT1, TSSE, MCDI, UFID, TXXX, EncodedBy, URL;
    std::vector<std::string> MemoLines;
    bool KillTags = false;
    // ID3v2 only: the front cover. kKeepAsIs (or empty), kCoverFromFolder, kDeleteCover, or the
    // path of the picture file chosen.
    std::string Cover;
};

// The answer's text of each field of the batch tag dialog, in the order of the field table's
// AnswerIndex (kAnswerColumns gives the columns in the same order).
inline constexpr std::array<std::string WriteTagsAnswer::*, kAnswerFieldCount> kAnswerTexts = {
    &WriteTagsAnswer::Title,      &WriteTagsAnswer::Artist,       &WriteTagsAnswer::Album,
    &WriteTagsAnswer::Year,       &WriteTagsAnswer::Genre,        &WriteTagsAnswer::Comment,
    &WriteTagsAnswer::Track,      &WriteTagsAnswer::CommentOwner, &WriteTagsAnswer::Composer,
    &WriteTagsAnswer::OrigArtist, &WriteTagsAnswer::Copyright,    &WriteTagsAnswer::TIT1,
    &WriteTagsAnswer::TSSE,       &WriteTagsAnswer::MCDI,         &WriteTagsAnswer::UFID,
    &WriteTagsAnswer::TXXX,       &WriteTagsAnswer::EncodedBy,    &WriteTagsAnswer::URL,
};

// The answer's text of the field shown in `column` (a column of the dialog's fields).
inline const std::string& AnswerText(const WriteTagsAnswer& answer, int column) {
    return answer.*kAnswerTexts[static_cast<std::size_t>(TagFieldOf(column).AnswerIndex)];
}

// The dialog port: nothing when the dialog was closed any other way than OK.
class WriteTagsDialogPort {
public:
    virtual ~WriteTagsDialogPort() = default;
    virtual std::optional<WriteTagsAnswer> AskWriteTags(const WriteTagsRequest& request, const FileList& list) = 0;
};

}  // namespace tagmora
