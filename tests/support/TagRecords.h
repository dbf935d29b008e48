// Test support: an ID3v2 record with every field the list shows set, for writes that must carry
// each of them.
#pragma once

#include <string>

#include "tags/TagFields.h"

namespace tagmora::test {

// Every field set, from two texts: "Title a", "Artist b", ..., the link, UFID and MCDI too.
inline Id3v2Tag EveryFieldTag(const std::string& a, const std::string& b) {
    Id3v2Tag t;
    t.Title = "Title " + a;
    t.Artist = "Artist " + b;
    t.Album = "Album " + a;
    t.Year = "1999";
    t.Comment = "Comment " + b;
    t.CommentOwner = "Owner " + a;
    t.Track = "07/12";
    t.Genre = "Rock";
    t.URL = "http://example.com/" + a;
    t.Composer = "Composer " + b;
    t.OrigArtist = "Orig " + a;
    t.Copyright = "(c) " + b;
    t.EncodedBy = "Enc " + a;
    t.TXXX = "Extra " + b;
    t.UFID = "ufid-" + a;
    t.MCDI = "mcdi-" + b;
    t.TSSE = "LAME " + a;
    t.TIT1 = "Group " + b;
    return t;
}

}  // namespace tagmora::test
