// The peer of the read benchmark: every MP3 file of a tree read with TagLib (no audio
// properties), one tab-separated line per file with the fields of its ID3v2 tag, else its ID3v1 tag.
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tstring.h>

#include <cstdio>
#include <string>

#include "WalkMp3Tree.h"

namespace {

// Writes the text as UTF-8 with tab, newline and backslash escaped, then the separator.
void PutField(const std::string& text, char separator) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        switch (text[i]) {
            case '\t': escape = "\\t"; break;
            case '\n': escape = "\\n"; break;
            case '\r': escape = "\\r"; break;
            case '\\': escape = "\\\\"; break;
            default: continue;
        }
        std::fwrite(text.data() + start, 1, i - start, stdout);
        std::fputs(escape, stdout);
        start = i + 1;
    }
    std::fwrite(text.data() + start, 1, text.size() - start, stdout);
    std::putc(separator, stdout);
}

void PutField(const TagLib::String& text, char separator) { PutField(text.to8Bit(true), separator); }

void PutNumber(unsigned int number, char separator) {
    if (number != 0) std::printf("%u", number);
    std::putc(separator, stdout);
}

// Returns true when the file had a tag.
bool ReadAndPrint(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false, TagLib::AudioProperties::Fast);
    const TagLib::Tag* tag = nullptr;
    if (file.isValid()) {
        if (file.hasID3v2Tag()) tag = file.ID3v2Tag();
        else if (file.hasID3v1Tag()) tag = file.ID3v1Tag();
    }
    PutField(path, '\t');
    if (tag == nullptr) {
        std::fputs("\t\t\t\t\t\t\n", stdout);
        return false;
    }
    PutField(tag->title(), '\t');
    PutField(tag->artist(), '\t');
    PutField(tag->album(), '\t');
    PutNumber(tag->year(), '\t');
    PutNumber(tag->track(), '\t');
    PutField(tag->genre(), '\t');
    PutField(tag->comment(), '\n');
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(
            stderr,
            "Usage: peer_taglib DIR\n"
            "Prints path, title, artist, album, year, track, genre and comment of every .mp3 file under DIR.\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    unsigned long files = 0;
    unsigned long tagged = 0;
    std::string folder = argv[1];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    tagmora::bench::WalkMp3Tree(folder, [&](const std::string& path) {
        ++files;
        tagged += ReadAndPrint(path) ? 1 : 0;
    });
    std::fflush(stdout);
    std::fprintf(stderr, "peer_taglib: %lu files, %lu tagged\n", files, tagged);
    return 0;
}
