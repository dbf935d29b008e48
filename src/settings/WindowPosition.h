// The window position: the 20-byte "WinPos" value of the settings key.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"  // kWinPosValue

namespace tagmora {

enum class WindowState : std::uint8_t { Normal = 0, Minimized = 1, Maximized = 2 };

struct WindowPosition {
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t State = 0;
    bool operator==(const WindowPosition&) const = default;
};

std::vector<std::uint8_t> EncodeWindowPosition(const WindowPosition& position);
// Nothing unless exactly 20 bytes.
std::optional<WindowPosition> DecodeWindowPosition(const std::vector<std::uint8_t>& bytes);

// Writes "WinPos" into the settings key (creating it); false when it cannot be written.
bool StoreWindowPosition(SettingsStore& store, const WindowPosition& position);
// The stored position, when "WinPos" is a binary value of exactly 20 bytes; a missing value, one of
// another length and one of another type are all no position.
std::optional<WindowPosition> LoadWindowPosition(SettingsStore& store);

// A rectangle of the desktop: a screen's area available to windows, in screen pixels.
struct ScreenArea {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// How much of a restored window's top edge must lie on one screen for its title bar to be reached.
inline constexpr int kReachableTitleHeight = 30;
inline constexpr int kReachableTitleWidth = 100;

// Whether `position` can be handled on `screen`: its top 30 pixels lie on it over at least 100
// pixels of their width (all of it, for a narrower window), and it is no larger than the screen.
bool IsReachable(const WindowPosition& position, const ScreenArea& screen);

// Where a restored window goes: `stored` itself when it is reachable on one of `screens`, so that a
// window fully on a screen, or one the user left partly off it, stays exactly there; otherwise the
// window is moved onto the nearest screen (the one it has to move least to lie fully on), its size
// cut to that screen's. The state is kept. With no screens known, `stored` unchanged.
// Example: {Top -300, Left -600, 700 x 400} on the screen {0, 0, 800 x 600} becomes
// {Top 0, Left 0, 700 x 400}.
WindowPosition PlaceOnScreens(const WindowPosition& stored, const std::vector<ScreenArea>& screens);

}  // namespace tagmora
