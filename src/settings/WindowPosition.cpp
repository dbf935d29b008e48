// The window position's 20-byte image (top, left, width, height, state) and its place in the
// settings key.
#include "settings/WindowPosition.h"

#include <algorithm>
#include <cstdlib>

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

bool IsReachable(const WindowPosition& p, const ScreenArea& s) {
    // In 64 bits: a stored edge near the end of the range plus a width must not wrap around.
    const std::int64_t sRight = std::int64_t{s.Left} + s.Width, sBottom = std::int64_t{s.Top} + s.Height;
    const std::int64_t left = p.Left, top = p.Top, right = left + p.Width;
    const std::int64_t titleOnScreen = std::min(right, sRight) - std::max(left, std::int64_t{s.Left});
    return p.Width <= s.Width && p.Height <= s.Height && top >= s.Top && top + kReachableTitleHeight <= sBottom &&
           titleOnScreen >= std::min<std::int64_t>(kReachableTitleWidth, p.Width);
}

WindowPosition PlaceOnScreens(const WindowPosition& stored, const std::vector<ScreenArea>& screens) {
    const auto reachable = [&stored](const ScreenArea& s) { return IsReachable(stored, s); };
    if (screens.empty() || std::any_of(screens.begin(), screens.end(), reachable)) return stored;
    WindowPosition best = stored;
    std::int64_t bestMove = -1;
    for (const ScreenArea& s : screens) {
        WindowPosition placed = stored;
        placed.Width = std::clamp(stored.Width, 0, std::max(s.Width, 0));
        placed.Height = std::clamp(stored.Height, 0, std::max(s.Height, 0));
        placed.Left = std::clamp(stored.Left, s.Left, s.Left + std::max(s.Width, 0) - placed.Width);
        placed.Top = std::clamp(stored.Top, s.Top, s.Top + std::max(s.Height, 0) - placed.Height);
        const std::int64_t moved =
            std::abs(std::int64_t{placed.Left} - stored.Left) + std::abs(std::int64_t{placed.Top} - stored.Top);
        if (bestMove < 0 || moved < bestMove) {
            best = placed;
            bestMove = moved;
        }
    }
    return best;
}

}  // namespace tagmora
