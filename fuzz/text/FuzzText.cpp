// Arbitrary bytes through the text primitives, each result held against the
// plain character-by-character model; cuts and conversions are checked for
// their bounds and run under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

#include "support/TextReference.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace {

using namespace rongfan;

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

bool inside(std::string_view piece, std::string_view text) {
    return piece.empty() || (piece.data() >= text.data() && piece.data() + piece.size() <= text.data() + text.size());
}

void checkScan(const std::string& text, const std::string& sought, const std::string& replacement) {
    CHECK(FindText(text, sought) == reference::FindText(text, sought));

    const auto pieces = reference::SplitText(text, sought);
    const TextList list = SplitText(text, sought);
    CHECK(list.Count() == static_cast<int>(pieces.size()));
    for (int i = 1; i <= list.Count(); ++i) {
        CHECK(list.Piece(i) == pieces[static_cast<std::size_t>(i - 1)]);
        CHECK(inside(list.Piece(i), text));
    }
    const int count = list.Count();
    for (const int index : {-1, 0, 1, 2, count / 2, count, count + 1}) {
        const std::string_view expected = list.Piece(index);
        CHECK(SplitPiece(text, sought, index) == expected);
        CHECK((index >= 1 && index <= count) || expected.empty());
    }

    CHECK(ReplaceText(text, sought, replacement, MatchMode::Exact) ==
          reference::ReplaceText(text, sought, replacement, false));
    CHECK(ReplaceText(text, sought, replacement, MatchMode::AsciiCaseInsensitive) ==
          reference::ReplaceText(text, sought, replacement, true));
}

void checkCuts(const std::string& text, int start, int n) {
    const std::string_view left = TextLeft(text, n);
    const std::string_view right = TextRight(text, n);
    const std::string_view mid = TextMid(text, start, n);
    CHECK(inside(left, text) && inside(right, text) && inside(mid, text));
    const std::size_t want = n <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), text.size());
    CHECK(left.size() == want && right.size() == want);
    CHECK(left == std::string_view(text).substr(0, want));
    CHECK(right == std::string_view(text).substr(text.size() - want));
    if (start >= 1 && n > 0 && static_cast<std::size_t>(start) <= text.size()) {
        CHECK(mid == std::string_view(text).substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
    } else {
        CHECK(mid.empty());
    }
}

void checkNumbers(const std::string& text) {
    const double number = ToNumber(text);
    const double expected = reference::ToNumber(text);
    CHECK(std::memcmp(&number, &expected, sizeof number) == 0);
    const std::int32_t integer = ToInteger(number);
    const Text written = NumberToText(integer);
    CHECK(ToInteger(ToNumber(written)) == integer);
    CHECK(BytesToText(text).find('\0') == std::string::npos);
}

void checkConversions(const std::string& bytes) {
    const std::string utf8 = GbkToUtf8(bytes);
    // What decodes without a replacement comes back byte for byte.
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos) CHECK(Utf8ToGbk(utf8) == bytes);
    (void)Utf8ToGbk(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = input.ConsumeIntegral<int>();
    const int n = input.ConsumeIntegral<int>();
    const std::string sought = input.ConsumeRandomLengthString(24);
    const std::string replacement = input.ConsumeRandomLengthString(8);
    const std::string text = input.ConsumeRemainingBytesAsString();

    checkScan(text, sought, replacement);
    checkScan(text, "", replacement);
    checkCuts(text, start, n);
    checkNumbers(text);
    checkNumbers(sought);
    CHECK(RemoveSpaces(text) == reference::RemoveSpaces(text));
    checkConversions(text);
    return 0;
}
