// Unsynchronisation of ID3v2 tags and frames: undo and apply.
#include "tags/Unsynchronisation.h"

namespace tagmora::id3v2 {

namespace {
constexpr char kFF = '\xFF';
}  // namespace

bool HasUnsynchronisation(std::string_view bytes) {
    for (std::size_t at = bytes.find(kFF); at != std::string_view::npos; at = bytes.find(kFF, at + 1)) {
        if (at + 1 < bytes.size() && bytes[at + 1] == '\0') return true;
    }
    return false;
}

void UndoUnsynchronisation(std::string_view bytes, std::string& out) {
    out.clear();
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
}

void ApplyUnsynchronisation(std::string_view bytes, std::string& out) {
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 16 + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] != kFF) continue;
        const bool last = i + 1 == bytes.size();
        if (last || bytes[i + 1] == '\0' || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0) out.push_back('\0');
    }
}

}  // namespace tagmora::id3v2
