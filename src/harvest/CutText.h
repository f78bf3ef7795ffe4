#pragma once
// The cut every harvested value is taken with: the text after the first
// occurrence of a start marker, up to the next start marker or the end, and of
// that the part before the first end marker (all of it when the end marker does
// not occur). A piece that does not exist is the empty text.
#include <optional>
#include <string_view>

namespace rongfan {

// The cut of `text` between `start` and `end`; the empty text when `start` does
// not occur or nothing follows it. The result is a view into `text`.
std::string_view CutText(std::string_view text, std::string_view start, std::string_view end);

// The cut when `text` contains `start` (found once, not twice), else nothing.
std::optional<std::string_view> CutIfFound(std::string_view text, std::string_view start, std::string_view end);

}  // namespace rongfan
