// The window position: the 20-byte "WinPos" value of the settings key.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "settings/SettingsStore.h"

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

inline constexpr const char* kWinPosValue = "WinPos";

std::vector<std::uint8_t> EncodeWindowPosition(const WindowPosition& position);
// Nothing unless exactly 20 bytes.
std::optional<WindowPosition> DecodeWindowPosition(const std::vector<std::uint8_t>& bytes);

// Writes "WinPos" into the settings key (creating it); false when it cannot be written.
bool StoreWindowPosition(SettingsStore& store, const WindowPosition& position);
// The stored position, when "WinPos" is a binary value of exactly 20 bytes.
std::optional<WindowPosition> LoadWindowPosition(SettingsStore& store);

}  // namespace tagmora
