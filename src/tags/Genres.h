// The genre table: the 148 genre names both tag versions use.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tagmora {

inline constexpr int kGenreCount = 148;
inline constexpr int kGenreOther = 12;

extern const std::array<const char*, kGenreCount> GenreTable;

// Index of the first entry equal to the name (exact, case-sensitive); 12 when none is equal.
int GenreIndexOf(std::string_view name);
// The entry of an index 0..147; an index outside the table gives "Other".
std::string GenreNameOf(int index);

}  // namespace tagmora
