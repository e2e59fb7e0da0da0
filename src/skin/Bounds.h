#pragma once
// Bounds texts of the skin ("left, top, width, height") and the list splitting
// they are parsed with.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cx {

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Bounds&) const = default;
};

// Parts of `text` between the separators. With `trim`, each part before a
// separator loses blanks and control characters at both ends; the last part is
// kept as it is. An empty text gives one empty part.
std::vector<std::string> SplitList(std::string_view text, std::string_view separator, bool trim);

// Empty optional: fewer than four parts (nothing changes). Parts after the
// fourth are ignored. Throws AppError when one of the first four parts is not a
// signed decimal number (leading blanks allowed).
std::optional<Bounds> ParseBounds(std::string_view value);

}  // namespace cx
