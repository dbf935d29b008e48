// Unsynchronisation: ID3v2's way to keep tag bytes from looking like an MPEG sync word. Applying
// it puts a 0x00 after every 0xFF that is followed by 0x00, by a byte of 0xE0 or more, or by
// nothing; undoing it drops every 0x00 that follows a 0xFF.
//
//   FF E0 41 FF  ->  FF 00 E0 41 FF 00
#pragma once

#include <string>
#include <string_view>

namespace tagmora::id3v2 {

// True when `bytes` hold a 0xFF followed by 0x00, i.e. undoing would change them.
bool HasUnsynchronisation(std::string_view bytes);

// Replaces `out` with `bytes` without their unsynchronisation.
void UndoUnsynchronisation(std::string_view bytes, std::string& out);
// Replaces `out` with `bytes` unsynchronised.
void ApplyUnsynchronisation(std::string_view bytes, std::string& out);

}  // namespace tagmora::id3v2
