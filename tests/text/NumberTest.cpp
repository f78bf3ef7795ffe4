// ToNumber (full-width folding, then a decimal number read as atof reads it),
// ToInteger and NumberToText.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <locale.h>
#include <string>
#include <unistd.h>

#include "ShowBytes.h"
#include "text/Text.h"

namespace rongfan {
namespace {

using testing::ShowBytes;

// Full-width forms in GBK.
#define FW_1 "\xA3\xB1"
#define FW_2 "\xA3\xB2"
#define FW_DOT "\xA3\xAE"
#define FW_MINUS "\xA3\xAD"
#define FW_PLUS "\xA3\xAB"
#define FW_E "\xA3\xE5"
#define FW_COMMA "\xA3\xAC"
#define FW_SPACE "\xA1\xA1"
#define ZHONG "\xD6\xD0"

TEST(ToNumber, FoldsFullWidthFormsThenReadsADecimalPrefix) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::string text;
        double expected;
    } cases[] = {
        {FW_1 FW_2 ".5" ZHONG, 12.5},
        {"  -3.7x", -3.7},
        {"abc", 0},
        {"", 0},
        {"42", 42},
        {"00012", 12},
        {"12abc", 12},
        {"1,5", 1},
        {"+.5", 0.5},
        {"5.", 5},
        {".", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"1e3", 1000},
        {"1E+3", 1000},
        {"1.5e-2", 0.015},
        {"1e", 1},
        {"1e+", 1},
        {"1e+x", 1},
        {".e5", 0},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0},
        // Only decimal numbers: hex, infinity and NaN spellings read as far as they are decimal.
        {"0x1A", 0},
        {"inf", 0},
        {"-INFINITY", 0},
        {"nan", 0},
        // Leading white space, the full-width space included.
        {"\t\n\v\f\r 7", 7},
        {FW_SPACE FW_SPACE "8", 8},
        {FW_SPACE FW_MINUS FW_1 FW_DOT FW_2, -1.2},
        {FW_PLUS FW_2, 2},
        {FW_1 FW_E FW_2, 100},
        {FW_1 FW_COMMA FW_2, 1},
        {"3\xA1\xEE", 3},       // the folded "*" ends the number
        {"\xA1\xAB" "3", 0},    // the folded "~" is no sign
        // A digit that is the second byte of a character is no digit.
        {"\xB0" "12", 0},
        {"\xA3" "12", 0},
        // 0xA3 folds only with a second byte from 0xA1 up.
        {"\xA3\xA0" "1", 0},
        {"5\xB0", 5},
        {"9" ZHONG, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text));
        EXPECT_EQ(ToNumber(c.text), c.expected);
    }
}

// A locale whose decimal separator is a comma, or nullptr when this machine can
// neither load nor build one.
locale_t commaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (locale_t loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr))) return loc;
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("rongfan-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    locale_t loc = nullptr;
    const std::string build = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(build.c_str()) == 0) {
        ::setenv("LOCPATH", dir.c_str(), 1);
        loc = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
        ::unsetenv("LOCPATH");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return loc;
}

}  // namespace
}  // namespace rongfan

// glibc's newlocale keeps the search path it builds from LOCPATH and never
// frees it; that leak is the C library's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace rongfan {
namespace {

TEST(ToNumber, IgnoresTheLocaleOfTheThread) {
    // The desktop program takes its locale from the environment; a comma
    // locale must not turn "3.25" into 3.
    locale_t comma = commaLocale();
    if (comma == nullptr) GTEST_SKIP() << "no comma locale available";
    const locale_t previous = uselocale(comma);
    const double inComma = std::strtod("3,25", nullptr);
    const double number = ToNumber("3.25");
    const double folded = ToNumber(FW_1 FW_DOT "5");
    uselocale(previous);
    freelocale(comma);
    ASSERT_EQ(inComma, 3.25) << "the locale did not take effect";
    EXPECT_EQ(number, 3.25);
    EXPECT_EQ(folded, 1.5);
}

TEST(ToInteger, TruncatesToSixtyFourBitsAndKeepsTheLow32) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::int32_t expected;
    } cases[] = {
        {12.9, 12},
        {-3.7, -3},
        {0.99, 0},
        {-0.99, 0},
        {-0.0, 0},
        {2147483647.0, 2147483647},
        {2147483648.0, INT32_MIN},          // wraps, it does not saturate
        {4294967296.0 + 5.0, 5},
        {-4294967296.0 - 5.9, -5},
        {4294967295.0, -1},
        {-2147483649.0, 2147483647},
        {9007199254740993.0, 0},            // 2^53 + 1 rounds to 2^53 as a double
        {9223372036854774784.0, -1024},     // the largest double below 2^63
        {-9223372036854775808.0, 0},        // -2^63 itself
        // Beyond 64 bits, infinity and NaN: the conversion's "indefinite" value, low half 0.
        {9223372036854775808.0, 0},
        {1e30, 0},
        {-1e30, 0},
        {inf, 0},
        {-inf, 0},
        {nan, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ToInteger(c.value), c.expected);
    }
}

TEST(NumberToText, PlainDecimalDigits) {
    const struct {
        std::int32_t n;
        std::string expected;
    } cases[] = {
        {-5, "-5"}, {0, "0"}, {7, "7"}, {1000000, "1000000"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberToText(c.n), c.expected);
}

TEST(ToNumber, CountsReadFromPagesRoundTrip) {
    // What every parser does with a count: ToNumber, ToInteger, NumberToText.
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"1234", "1234"}, {FW_1 FW_2 "3", "123"}, {"17.8", "17"}, {"", "0"}, {"-2.5", "-2"}, {"4294967297", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text));
        EXPECT_EQ(NumberToText(ToInteger(ToNumber(c.text))), c.expected);
    }
}

}  // namespace
}  // namespace rongfan
