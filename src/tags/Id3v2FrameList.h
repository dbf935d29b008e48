// Every frame of an ID3v2 tag in stored order: identifier, flags and body bytes, and where the
// frames end (padding, or bytes that are no frame). Parsing keeps views into the caller's buffer
// and copies nothing; a frame can be given bytes of its own, so that a writer can add, replace
// and remove frames and render the list. Rendering an unchanged list gives every frame back byte
// for byte (version 2.4 sizes written synchsafe).
//
//   FrameList list;
//   ParseFrameList(area, areaSize, 3, list);         // frames of a version 2.3 tag
//   list.Frames.push_back(Frame::Owning("TIT2", 0, body));  // a frame with its own bytes
//   std::string bytes = RenderFrameList(list);
#pragma once

#include "tags/Id3v2FrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tagmora::id3v2 {

// One frame: identifier, flags as stored and its body (the bytes after the frame header), either
// a view into a buffer someone else keeps or bytes of its own (shared, never changed, by the
// copies of the frame).
class Frame {
public:
    Frame() = default;
    // A frame viewing `body`, which must outlive it.
    Frame(FrameId id, std::uint16_t flags, std::string_view body) : Id(id), Flags(flags), body_(body) {}
    static Frame Viewing(FrameId id, std::uint16_t flags, std::string_view body) { return {id, flags, body}; }
    // A frame holding bytes of its own.
    static Frame Owning(FrameId id, std::uint16_t flags, std::string body) {
        Frame frame(id, flags, {});
        frame.SetBody(std::move(body));
        return frame;
    }

    FrameId Id;
    std::uint16_t Flags = 0;

    std::string_view Body() const { return body_; }
    bool OwnsBody() const { return owned_ != nullptr; }
    // Gives the frame bytes of its own.
    void SetBody(std::string body) {
        owned_ = std::make_shared<const std::string>(std::move(body));
        body_ = *owned_;
    }

    // Same identifier, flags and body bytes.
    bool operator==(const Frame& other) const {
        return Id == other.Id && Flags == other.Flags && Body() == other.Body();
    }

private:
    std::string_view body_;  // views `*owned_` when the frame has bytes of its own
    std::shared_ptr<const std::string> owned_;
};

// What ended the frames.
enum class FramesEnd {
    AreaEnd,   // the frames fill the area exactly
    Padding,   // a zero byte where the next frame would start
    NotFrame,  // bytes that are no frame header, or a frame that would run past the area
};

struct FrameList {
    int Version = 4;  // 2, 3 or 4: the frame header layout
    std::vector<Frame> Frames;
    // Where the frames end inside the parsed area, and why.
    std::size_t FramesEndOffset = 0;
    FramesEnd End = FramesEnd::AreaEnd;
    // Version 2.4: the sizes were stored as plain numbers, not synchsafe (rendering writes them
    // synchsafe).
    bool PlainSizes = false;

    // The first frame with this identifier, or nullptr.
    const Frame* Find(std::string_view id) const;
    Frame* Find(std::string_view id);
};

// Parses the frames in the `size` bytes at `area` (the tag after its header and extended header,
// unsynchronisation of versions 2.2 and 2.3 undone). The walk stops at a zero byte, at bytes that
// are no frame header and at a frame that would run past the area. Version 2.4 sizes are read
// synchsafe unless only plain numbers make the frames follow each other up to the end of the area
// or to zero padding that runs to its end (decided once for the whole tag; when neither reading
// does, the one that walks further). The frames view `area`.
void ParseFrameList(const unsigned char* area, std::size_t size, int version, FrameList& out);

// Appends every frame, header and body, in the layout of `list.Version`.
void RenderFrameList(const FrameList& list, std::string& out);
std::string RenderFrameList(const FrameList& list);

}  // namespace tagmora::id3v2
