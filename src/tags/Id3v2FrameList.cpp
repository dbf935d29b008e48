// The list of ID3v2 frames of a tag: parse (with the version 2.4 size reading decided once per
// tag) and render.
#include "tags/Id3v2FrameList.h"

namespace tagmora::id3v2 {

namespace {

struct Walk {
    std::size_t end = 0;  // where the last whole frame ends
    FramesEnd reason = FramesEnd::AreaEnd;
    bool large = false;  // a frame of 128 bytes or more: its size reads differently synchsafe and plain

    // The frames follow each other up to the end of the area, or up to padding that runs to the end.
    bool FillsArea(const unsigned char* area, std::size_t size) const {
        if (reason == FramesEnd::AreaEnd) return true;
        if (reason == FramesEnd::NotFrame) return false;
        for (std::size_t i = end; i < size; ++i) {
            if (area[i] != 0) return false;
        }
        return true;
    }
};

// Walks the frame headers under one size reading, calling `onFrame(header, bodyOffset)` for each
// frame that fits in the area.
template <typename OnFrame>
Walk WalkFrames(const unsigned char* area, std::size_t size, int version, SizeReading reading, OnFrame&& onFrame) {
    const std::size_t headerSize = FrameHeaderSize(version);
    FrameHeader header;
    Walk walk;
    for (;;) {
        const std::size_t pos = walk.end;
        if (pos == size) {
            walk.reason = FramesEnd::AreaEnd;
            return walk;
        }
        if (area[pos] == 0) {
            walk.reason = FramesEnd::Padding;
            return walk;
        }
        if (!ParseFrameHeader(area + pos, size - pos, version, reading, header) ||
            header.Size > size - pos - headerSize) {
            walk.reason = FramesEnd::NotFrame;
            return walk;
        }
        onFrame(header, pos + headerSize);
        walk.large |= header.Size >= 0x80;
        walk.end = pos + headerSize + header.Size;
    }
}

// Parses the frames under one size reading into `out`.
Walk ParseUnder(const unsigned char* area, std::size_t size, int version, SizeReading reading, FrameList& out) {
    out.Frames.clear();
    return WalkFrames(area, size, version, reading, [&](const FrameHeader& header, std::size_t at) {
        out.Frames.emplace_back(header.Id, header.Flags,
                                std::string_view(reinterpret_cast<const char*>(area + at), header.Size));
    });
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
    out.PlainSizes = false;
    Walk walk = ParseUnder(area, size, version, version == 4 ? SizeReading::Synchsafe : SizeReading::Plain, out);
    // Version 2.4: synchsafe sizes unless only plain ones lead from frame to frame up to the end of
    // the area or to padding that runs to the end; when neither does, the reading that walks
    // further. Without a frame of 128 bytes or more both readings are the same.
    if (version == 4 && (walk.reason == FramesEnd::NotFrame || walk.large) && !walk.FillsArea(area, size)) {
        const Walk plain = WalkFrames(area, size, 4, SizeReading::Plain, [](const FrameHeader&, std::size_t) {});
        if (plain.FillsArea(area, size) || plain.end > walk.end) {
            walk = ParseUnder(area, size, version, SizeReading::Plain, out);
            out.PlainSizes = true;
        }
    }
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
