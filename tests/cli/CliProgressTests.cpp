#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/CliProgress.h"

namespace rongfan {
namespace {

// Runs `script` against a progress writing into memory and returns what it wrote.
template <typename Script> std::string written(bool terminal, bool quiet, Script script) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    {
        CliProgress progress(out, terminal, quiet);
        script(progress);
    }
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

void sample(CliProgress& p) {
    p.Status("start");
    p.Update("1/3");
    p.Update("2/3");
    p.Update("2/3");
    p.Message("note");
    p.Update("3/3");
    p.Finish();
}

TEST(CliProgress, PlainLinesOffATerminal) {
    EXPECT_EQ(written(false, false, sample), "start\n1/3\n2/3\nnote\n3/3\n");
}

TEST(CliProgress, OneUpdatingLineOnATerminal) {
    EXPECT_EQ(written(true, false, sample), "start\n\r\x1b[K1/3\r\x1b[K2/3\nnote\n\r\x1b[K3/3\n");
}

TEST(CliProgress, QuietKeepsOnlyMessages) {
    EXPECT_EQ(written(true, true, sample), "note\n");
    EXPECT_EQ(written(false, true, sample), "note\n");
}

}  // namespace
}  // namespace rongfan
