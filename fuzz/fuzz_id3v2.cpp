// libFuzzer target for the tag parsers: the ID3v2 parser in both code pages, and the ID3v1
// parser on the first 128 bytes. The input is copied to a buffer of exactly its size.
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    for (const int codePage : {1251, 1252}) {
        tagmora::Id3v2Tag tag;
        tagmora::ParseId3v2(bytes.data(), bytes.size(), tag, codePage);
    }
    if (size >= 128) {
        tagmora::Id3v1Tag tag;
        tagmora::ParseId3v1(bytes.data(), tag, 1251);
        tagmora::ParseId3v1(bytes.data() + size - 128, tag, 1252);
    }
    return 0;
}
