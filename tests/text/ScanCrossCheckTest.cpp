// The fast primitives against the plain character-by-character model, on
// random GBK-like bytes: a few letters in both cases, separators, spaces and
// high-bit bytes in runs of every length, so that matches are frequent and
// fall on both sides of character boundaries.
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "ShowBytes.h"
#include "support/TextReference.h"
#include "text/Text.h"

namespace rongfan {
namespace {

using testing::ShowBytes;
using testing::ShowList;

class RandomBytes {
public:
    explicit RandomBytes(std::uint32_t seed) : m_rng(seed) {}
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(m_rng() % n); }

    std::string from(std::string_view alphabet, std::size_t length) {
        std::string out;
        for (std::size_t i = 0; i < length; ++i) out += alphabet[below(alphabet.size())];
        return out;
    }
    // Mostly short texts; some long enough to cross several 16- and 32-byte blocks.
    std::size_t textLength() { return below(5) == 0 ? 40 + below(260) : below(41); }

    // Half the time a piece of the text itself, so that a match is likely.
    std::string soughtFor(const std::string& text, std::string_view alphabet) {
        if (!text.empty() && below(2) == 0) {
            const std::size_t start = below(text.size());
            return text.substr(start, 1 + below(4));
        }
        return from(alphabet, below(5));
    }

private:
    std::mt19937 m_rng;
};

constexpr std::string_view Alphabet = "aAbB, \xA1\xB0\xD6";

std::vector<std::string> piecesOf(const TextList& list) {
    std::vector<std::string> out;
    for (int i = 1; i <= list.Count(); ++i) out.emplace_back(list.Piece(i));
    return out;
}

TEST(ScanCrossCheck, FindSplitReplaceAndRemoveSpacesAgreeWithTheModel) {
    RandomBytes random(20240611);
    for (int round = 0; round < 60000 && !HasFailure(); ++round) {
        const std::string text = random.from(Alphabet, random.textLength());
        const std::string sought = random.soughtFor(text, Alphabet);
        const std::string replacement = random.from("aA\xB0#", random.below(4));
        SCOPED_TRACE("round " + std::to_string(round) + ": text " + ShowBytes(text) + " sought " + ShowBytes(sought) +
                     " replacement " + ShowBytes(replacement));

        EXPECT_EQ(FindText(text, sought), reference::FindText(text, sought));

        const auto pieces = reference::SplitText(text, sought);
        const TextList list = SplitText(text, sought);
        EXPECT_EQ(piecesOf(list), pieces) << ShowList(piecesOf(list)) << " expected " << ShowList(pieces);
        for (int index = -1; index <= static_cast<int>(pieces.size()) + 1; ++index) {
            const std::string expected =
                (index >= 1 && index <= static_cast<int>(pieces.size())) ? pieces[static_cast<std::size_t>(index - 1)]
                                                                         : std::string();
            EXPECT_EQ(SplitPiece(text, sought, index), expected) << "piece " << index;
        }

        const Text exact = ReplaceText(text, sought, replacement, MatchMode::Exact);
        EXPECT_EQ(exact, reference::ReplaceText(text, sought, replacement, false)) << "exact " << ShowBytes(exact);
        const Text folded = ReplaceText(text, sought, replacement, MatchMode::AsciiCaseInsensitive);
        EXPECT_EQ(folded, reference::ReplaceText(text, sought, replacement, true)) << "folded " << ShowBytes(folded);

        const Text spaceless = RemoveSpaces(text);
        EXPECT_EQ(spaceless, reference::RemoveSpaces(text)) << ShowBytes(spaceless);
    }
}

TEST(ScanCrossCheck, LongSoughtTextsInLongTexts) {
    // Sought texts longer than a block, built from few distinct bytes so that
    // near-misses differ only in their last bytes.
    RandomBytes random(7);
    constexpr std::string_view narrow = "aA\xB0";
    for (int round = 0; round < 4000 && !HasFailure(); ++round) {
        const std::string text = random.from(narrow, 100 + random.below(400));
        std::string sought = text.substr(random.below(text.size() / 2), 16 + random.below(40));
        if (random.below(3) == 0) sought.back() = narrow[random.below(narrow.size())];
        SCOPED_TRACE("round " + std::to_string(round) + ": text " + ShowBytes(text) + " sought " + ShowBytes(sought));
        EXPECT_EQ(FindText(text, sought), reference::FindText(text, sought));
        EXPECT_EQ(ReplaceText(text, sought, "#", MatchMode::Exact), reference::ReplaceText(text, sought, "#", false));
        EXPECT_EQ(ReplaceText(text, sought, "#", MatchMode::AsciiCaseInsensitive),
                  reference::ReplaceText(text, sought, "#", true));
        EXPECT_EQ(piecesOf(SplitText(text, sought)), reference::SplitText(text, sought));
    }
}

TEST(ScanCrossCheck, MatchesAroundTheEdgesOfTheSearchWindow) {
    // The exact search looks at a page a window of 64 KiB at a time. A match or
    // a run of double-byte characters that straddles the edge of a window must
    // be read as if the page were one piece.
    constexpr std::size_t Edge = 64 * 1024;
    for (const std::size_t edge : {Edge, 2 * Edge}) {
        for (int shift = -5; shift <= 5 && !HasFailure(); ++shift) {
            for (const std::size_t highRun : {0, 1, 2, 3, 7}) {
                for (const std::string sought : {"ab", "\xB0" "a", "abcdef"}) {
                    std::string text(edge + static_cast<std::size_t>(shift) - highRun, 'x');
                    text.append(highRun, '\xB0');
                    text += sought;
                    text.append(Edge / 2, 'y');
                    text += sought;  // a second chance after the first, past the edge
                    SCOPED_TRACE("edge " + std::to_string(edge) + " shift " + std::to_string(shift) + " run " +
                                 std::to_string(highRun) + " sought " + ShowBytes(sought));
                    EXPECT_EQ(FindText(text, sought), reference::FindText(text, sought));
                    EXPECT_EQ(ReplaceText(text, sought, "#", MatchMode::Exact),
                              reference::ReplaceText(text, sought, "#", false));
                    EXPECT_EQ(piecesOf(SplitText(text, sought)), reference::SplitText(text, sought));
                }
            }
        }
    }
}

TEST(ScanCrossCheck, ToNumberAgreesWithTheModel) {
    RandomBytes random(99);
    // Whole full-width characters as well as their bytes alone.
    const std::vector<std::string> units = {
        "0", "1", "7", "9", "+", "-", ".", "e", "E", " ", "\t", "x", "i", "n",
        "\xA3\xB0", "\xA3\xB5", "\xA3\xAB", "\xA3\xAD", "\xA3\xAE", "\xA3\xE5", "\xA3\xC5", "\xA1\xA1", "\xA1\xAB",
        "\xA1\xEE", "\xA3", "\xA1", "\xD6\xD0", "\xB0",
    };
    for (int round = 0; round < 30000 && !HasFailure(); ++round) {
        std::string text;
        const std::size_t count = random.below(12);
        for (std::size_t i = 0; i < count; ++i) text += units[random.below(units.size())];
        SCOPED_TRACE("round " + std::to_string(round) + ": " + ShowBytes(text));
        EXPECT_EQ(ToNumber(text), reference::ToNumber(text));
    }
}

}  // namespace
}  // namespace rongfan
