#pragma once
// Byte-exact operations on GBK texts. A text is a run of bytes that ends at the
// first zero byte; lengths and positions count bytes, positions start at 1.
// A match can only begin where a character begins: a byte with its high bit set
// starts a two-byte character together with the byte after it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan {

using Text = std::string;   // GBK bytes, no zero byte
using Bytes = std::string;  // arbitrary bytes, may hold zero bytes

enum class MatchMode { Exact, AsciiCaseInsensitive };

// 1-based position of the first occurrence of `sought`, or -1.
int FindText(std::string_view text, std::string_view sought);

// Pieces of a split, indexed from 1. The pieces are views into the text that was
// split, so that text must outlive the list.
class TextList {
public:
    TextList() = default;
    explicit TextList(std::vector<std::string_view> pieces) : m_pieces(std::move(pieces)) {}
    int Count() const { return static_cast<int>(m_pieces.size()); }
    // The piece at `index` (1-based); the empty text outside 1..Count().
    std::string_view Piece(int index) const;
    const std::vector<std::string_view>& Pieces() const { return m_pieces; }

private:
    std::vector<std::string_view> m_pieces;
};

TextList SplitText(std::string_view text, std::string_view delimiter);

// Shortcut for the common "split, then take piece n": no list is built.
std::string_view SplitPiece(std::string_view text, std::string_view delimiter, int index);

Text ReplaceText(std::string_view text, std::string_view sought, std::string_view replacement,
                 MatchMode mode = MatchMode::Exact);

int TextLength(std::string_view text);
std::string_view TextLeft(std::string_view text, int n);
std::string_view TextRight(std::string_view text, int n);
std::string_view TextMid(std::string_view text, int start, int n);

double ToNumber(std::string_view text);
std::int32_t ToInteger(double value);
Text NumberToText(std::int32_t n);

Text BytesToText(std::string_view bytes);
Bytes TextToBytes(std::string_view text);

Text RemoveSpaces(std::string_view text);

// True when `text` contains `sought` under the character-boundary rule.
inline bool ContainsText(std::string_view text, std::string_view sought) { return FindText(text, sought) != -1; }

}  // namespace rongfan
