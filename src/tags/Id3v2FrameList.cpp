// The list of ID3v2 frames of a tag: parse (with the version 2.4 size reading decided once per
// tag) and render.
#include "tags/Id3v2FrameList.h"

namespace tagmora::id3v2 {

namespace {

struct Walk {
    std::size_t end = 0;  // where the last whole frame ends
    FramesEnd reason = FramesEnd::AreaEnd;
    bool Clean() const { return reason != FramesEnd::NotFrame; }
};

// Walks the frame headers under one size reading, calling `onFrame(header, bodyOffset)` for each
// frame that fits in the area.
template <typename OnFrame>
Walk WalkFrames(const unsigned char* area, std::size_t size, int version, SizeReading reading, OnFrame&& onFrame) {
    const std::size_t headerSize = FrameHeaderSize(version);
    FrameHeader header;
    std::size_t pos = 0;
    for (;;) {
        if (pos == size) return {pos, FramesEnd::AreaEnd};
        if (area[pos] == 0) return {pos, FramesEnd::Padding};
        if (!ParseFrameHeader(area + pos, size - pos, version, reading, header) ||
            header.Size > size - pos - headerSize)
            return {pos, FramesEnd::NotFrame};
        onFrame(header, pos + headerSize);
        pos += headerSize + header.Size;
    }
}

// Version 2.4: synchsafe sizes unless only plain ones lead from frame to frame up to the padding or
// the end; when neither does, the reading that walks further.
SizeReading ChooseSizeReading(const unsigned char* area, std::size_t size) {
    const auto ignore = [](const FrameHeader&, std::size_t) {};
    const Walk synchsafe = WalkFrames(area, size, 4, SizeReading::Synchsafe, ignore);
    if (synchsafe.Clean()) return SizeReading::Synchsafe;
    const Walk plain = WalkFrames(area, size, 4, SizeReading::Plain, ignore);
    if (plain.Clean() || plain.end > synchsafe.end) return SizeReading::Plain;
    return SizeReading::Synchsafe;
}

}  // namespace

const Frame* FrameList::Find(std::string_view id) const {
    for (const Frame& frame : Frames) {
        if (frame.Id == id) return &frame;
    }
    return nullptr;
}

Frame* FrameList::Find(std::string_view id) {
    return const_cast<Frame*>(static_cast<const FrameList*>(this)->Find(id));
}

void ParseFrameList(const unsigned char* area, std::size_t size, int version, FrameList& out) {
    out.Version = version;
    out.Frames.clear();
    const SizeReading reading = version == 4 ? ChooseSizeReading(area, size) : SizeReading::Plain;
    out.PlainSizes = version == 4 && reading == SizeReading::Plain;
    const Walk walk = WalkFrames(area, size, version, reading, [&](const FrameHeader& header, std::size_t at) {
        out.Frames.push_back(
            Frame::Viewing(header.Id, header.Flags, {reinterpret_cast<const char*>(area + at), header.Size}));
    });
    out.FramesEndOffset = walk.end;
    out.End = walk.reason;
}

void RenderFrameList(const FrameList& list, std::string& out) {
    FrameHeader header;
    for (const Frame& frame : list.Frames) {
        const std::string_view body = frame.Body();
        header.Id = frame.Id;
        header.Size = static_cast<std::uint32_t>(body.size());
        header.Flags = frame.Flags;
        RenderFrameHeader(header, list.Version, out);
        out += body;
    }
}

std::string RenderFrameList(const FrameList& list) {
    std::string out;
    RenderFrameList(list, out);
    return out;
}

}  // namespace tagmora::id3v2
