// The window position's 20-byte image (top, left, width, height, state) and its place in the
// settings key.
#include "settings/WindowPosition.h"

#include <algorithm>

#include "settings/AppSettings.h"

namespace tagmora {

namespace {

void PutInt(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((u >> shift) & 0xFF));
}

std::int32_t GetInt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | bytes[at + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(u);
}

}  // namespace

std::vector<std::uint8_t> EncodeWindowPosition(const WindowPosition& p) {
    std::vector<std::uint8_t> out;
    out.reserve(20);
    PutInt(out, p.Top);
    PutInt(out, p.Left);
    PutInt(out, p.Width);
    PutInt(out, p.Height);
    out.push_back(p.State);
    out.resize(20, 0);
    return out;
}

std::optional<WindowPosition> DecodeWindowPosition(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != 20) return std::nullopt;
    WindowPosition p;
    p.Top = GetInt(bytes, 0);
    p.Left = GetInt(bytes, 4);
    p.Width = GetInt(bytes, 8);
    p.Height = GetInt(bytes, 12);
    p.State = bytes[16];
    return p;
}

bool StoreWindowPosition(SettingsStore& store, const WindowPosition& position) {
    return store.WriteValues(Hive::CurrentUser, kSettingsKey,
                             {{kWinPosValue, RegValue::Binary(EncodeWindowPosition(position))}});
}

std::optional<WindowPosition> LoadWindowPosition(SettingsStore& store) {
    const auto value = store.ReadValue(Hive::CurrentUser, kSettingsKey, kWinPosValue);
    if (!value || value->Type != RegType::Binary) return std::nullopt;
    return DecodeWindowPosition(value->Bytes);
}

bool IsOnSomeScreen(const WindowPosition& p, const std::vector<ScreenArea>& screens) {
    // In 64 bits: a stored edge near the end of the range plus a width must not wrap around.
    const std::int64_t left = p.Left, top = p.Top;
    const std::int64_t right = left + p.Width, bottom = top + p.Height;
    return std::any_of(screens.begin(), screens.end(), [&](const ScreenArea& s) {
        const std::int64_t sRight = std::int64_t{s.Left} + s.Width, sBottom = std::int64_t{s.Top} + s.Height;
        return std::max(left, std::int64_t{s.Left}) < std::min(right, sRight) &&
               std::max(top, std::int64_t{s.Top}) < std::min(bottom, sBottom);
    });
}

WindowPosition PlaceOnScreens(const WindowPosition& stored, const std::vector<ScreenArea>& screens) {
    if (screens.empty() || IsOnSomeScreen(stored, screens)) return stored;
    const ScreenArea& primary = screens.front();
    WindowPosition placed = stored;
    placed.Width = std::clamp(stored.Width, 0, std::max(primary.Width, 0));
    placed.Height = std::clamp(stored.Height, 0, std::max(primary.Height, 0));
    placed.Left = primary.Left + (primary.Width - placed.Width) / 2;
    placed.Top = primary.Top + (primary.Height - placed.Height) / 2;
    return placed;
}

}  // namespace tagmora
