// Row filling: one open per file serves both tag readers; the pass reports progress per row and
// ends with track padding, column fitting, the title and the total.
#include "filelist/BuildList.h"

#include "common/Messages.h"
#include "common/Text.h"
#include "platform/FileIo.h"
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

namespace tagmora {

std::string GroupThousands(std::string_view digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    int taken = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        out.push_back(digits[i]);
        if (++taken % 3 == 0) out.push_back(' ');
    }
    return std::string(out.rbegin(), out.rend());
}

namespace {

std::string SizeText(std::int64_t size) { return GroupThousands(std::to_string(size)); }

void FillFromId3v1(FileRow& row, const Id3v1Tag& tag) {
    auto& t = row.Texts;
    t[ColTitle] = tag.Title;
    t[ColAlbum] = tag.Album;
    t[ColArtist] = tag.Artist;
    t[ColYear] = tag.Year;
    t[ColTrack] = std::to_string(tag.Track);
    t[ColId3v] = "1";
    t[ColGenre] = GenreNameOf(tag.Genre > kGenreCount - 1 ? kGenreOther : tag.Genre);
    t[ColComment] = tag.Comment;
    for (int c = ColComposer; c <= ColTIT1; ++c) t[c].clear();
    t[ColFileSize] = SizeText(tag.FileSize);
    row.Checked = true;
}

void FillFromId3v2(FileRow& row, const Id3v2Tag& tag) {
    auto& t = row.Texts;
    t[ColTitle] = tag.Title;
    t[ColAlbum] = tag.Album;
    t[ColArtist] = tag.Artist;
    t[ColYear] = tag.Year;
    t[ColTrack] = tag.Track;
    t[ColId3v] = "2";
    const std::size_t paren = tag.Genre.find(')');
    t[ColGenre] = paren == std::string::npos ? tag.Genre : tag.Genre.substr(paren + 1);
    t[ColComment] = tag.Comment;
    t[ColComposer] = tag.Composer;
    t[ColOrigArtist] = tag.OrigArtist;
    t[ColCopyRight] = tag.Copyright;
    t[ColURL] = tag.URL;
    t[ColEncodedBy] = tag.EncodedBy;
    // The owner is shown without its three language letters.
    const std::string language = text::TakeCodePoints(tag.CommentOwner, 3);
    t[ColTagOwner] = tag.CommentOwner.substr(language.size());
    t[ColTXXX] = tag.TXXX;
    t[ColUFID] = tag.UFID;
    t[ColMCDI] = tag.MCDI;
    t[ColTSSE] = tag.TSSE;
    t[ColTIT1] = tag.TIT1;
    t[ColFileSize] = SizeText(tag.FileSize);
    row.Checked = true;
}

void FillNoTag(FileRow& row, bool fileOpened, std::int64_t fileSize) {
    for (auto& text : row.Texts) text.clear();
    row.Texts[ColTitle] = kNoTagTitle;
    row.Texts[ColId3v] = "0";
    // A file that vanished before reading has no size to show.
    if (fileOpened) row.Texts[ColFileSize] = SizeText(fileSize);
    row.Checked = false;
}

}  // namespace

void ReadRowTags(FileList& list, int rowIndex) {
    const int sequence = list.Settings().TAGReadSequence;
    if (sequence < 0 || sequence > 3) return;
    FileRow& row = list.Rows()[static_cast<std::size_t>(rowIndex)];
    const int codePage = list.Settings().TagCodePage;

    // One open serves both readers; each reader still sees the file as a whole.
    // Non-blocking, so that a FIFO put in a file's place cannot hang the pass.
    const fileio::OpenedFile opened = fileio::OpenRegularFile(row.Path);
    if (!opened.Ok()) {
        // An existing file that cannot be opened is reported; the row gets the no-tag texts and
        // the pass goes on. Something that opens but is no file (a folder, a FIFO) is a row
        // without a tag, silently.
        if (!opened.Missing() && !opened.NotRegular) ShowFileError(list.HostPort(), opened.Error, row.Path);
        FillNoTag(row, false, 0);
        return;
    }
    const int fd = opened.File.Get();
    const std::int64_t size = opened.Size;

    Id3v1Tag v1;
    Id3v2Tag v2;
    const auto readV1 = [&] { return ReadId3v1TagFd(fd, size, v1, codePage); };
    const auto readV2 = [&] { return ReadId3v2TagFd(fd, size, v2, codePage); };
    switch (sequence) {
        case 0:
            if (readV1() == 0) FillFromId3v1(row, v1);
            else FillNoTag(row, true, size);
            break;
        case 1:
            if (readV2() == 0) FillFromId3v2(row, v2);
            else FillNoTag(row, true, size);
            break;
        case 2:
            if (readV2() == 0) FillFromId3v2(row, v2);
            else if (readV1() == 0) FillFromId3v1(row, v1);
            else FillNoTag(row, true, size);
            break;
        case 3:
            if (readV1() == 0) FillFromId3v1(row, v1);
            else if (readV2() == 0) FillFromId3v2(row, v2);
            else FillNoTag(row, true, size);
            break;
        default: break;
    }
}

void PadTrackNumbers(FileList& list) {
    std::size_t shortest = 100;
    std::size_t longest = 0;
    for (const FileRow& row : list.Rows()) {
        const std::size_t n = text::CodePointCount(row.Texts[ColTrack]);
        shortest = std::min(shortest, n);
        longest = std::max(longest, n);
    }
    if (longest < shortest || longest - shortest != 1) return;
    for (FileRow& row : list.Rows()) {
        if (text::CodePointCount(row.Texts[ColTrack]) == shortest) row.Texts[ColTrack].insert(0, "0");
    }
}

void BuildList(FileList& list, bool onlyChecked, bool appendedOnly) {
    const int checked = list.CountCheckedRows();
    int first = 0;
    int last = list.RowCount() - 1;
    if (appendedOnly) {
        list.Status().ShowStatus(kStatusUpdating);
        first = list.NewRowsFirst;
        last = list.NewRowsLast;
    } else {
        list.Status().ShowStatus(kStatusBuilding);
    }
    const int total = onlyChecked ? checked : std::max(0, last - first + 1);
    int counter = 0;
    for (int i = first; i <= last && i < list.RowCount(); ++i) {
        if (list.CancelRequested()) break;
        if (onlyChecked && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        ++counter;
        ReadRowTags(list, i);
        if (total != 0) list.Status().ShowProgress(list.RowPath(i), 100.0 / total * counter);
        list.HostPort().ProcessEvents();
    }
    if (appendedOnly) list.RestoreAutoOrdering();
    PadTrackNumbers(list);
    if (list.Settings().ResizeTabHeaders) {
        list.Status().ShowStatus(kStatusFitting);
        list.HostPort().FitColumns();
    }
    list.HostPort().StartTitleScrolling();
    list.Status().ShowTotal();
}

}  // namespace tagmora
