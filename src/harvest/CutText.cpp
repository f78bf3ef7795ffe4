#include "harvest/CutText.h"

#include <algorithm>

#include "text/Text.h"

namespace rongfan {
namespace {

// `rest` is everything after the first start marker; it begins on a character
// boundary, like the piece the split would make of it.
std::string_view cutRest(std::string_view rest, std::string_view start, std::string_view end) {
    if (rest.empty()) return {};
    // The value ends at the first end marker unless a further start marker
    // begins before that end marker is complete: then the piece, which ends
    // there, holds no end marker. Looking for the start marker only that far
    // keeps the cut from scanning the rest of a long page.
    const int endAt = end.empty() ? -1 : FindText(rest, end);
    const std::size_t endDone = endAt == -1 ? rest.size() : static_cast<std::size_t>(endAt - 1) + end.size();
    const std::size_t reach = std::min(rest.size(), endDone + start.size() - 1);
    const int nextStart = FindText(rest.substr(0, reach), start);
    if (nextStart != -1) return rest.substr(0, static_cast<std::size_t>(nextStart - 1));
    if (endAt == -1) return rest;
    return rest.substr(0, static_cast<std::size_t>(endAt - 1));
}

}  // namespace

std::string_view CutText(std::string_view text, std::string_view start, std::string_view end) {
    return CutIfFound(text, start, end).value_or(std::string_view{});
}

std::optional<std::string_view> CutIfFound(std::string_view text, std::string_view start, std::string_view end) {
    if (start.empty()) {
        // Splitting at an empty marker gives one piece only: there is no second one.
        if (text.empty()) return std::nullopt;
        return std::string_view{};
    }
    const int at = FindText(text, start);
    if (at == -1) return std::nullopt;
    return cutRest(text.substr(static_cast<std::size_t>(at - 1) + start.size()), start, end);
}

}  // namespace rongfan
