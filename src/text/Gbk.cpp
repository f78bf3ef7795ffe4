#include "text/Gbk.h"

#include <cerrno>
#include <iconv.h>

namespace rongfan {
namespace {

inline bool isTrail(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Bytes of the (possibly broken) UTF-8 sequence at `p`: its lead byte and as
// many of the continuation bytes it announces as are there.
std::size_t utf8Extent(const char* p, std::size_t left) {
    const auto lead = static_cast<unsigned char>(p[0]);
    std::size_t expected = 1;
    if (lead >= 0xC2 && lead <= 0xDF) expected = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) expected = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) expected = 4;
    std::size_t n = 1;
    while (n < expected && n < left && isTrail(static_cast<unsigned char>(p[n]))) ++n;
    return n;
}

// Bytes of the GBK character at `p`: two when a lead byte is followed by a
// byte that can end a GBK character, otherwise one.
std::size_t gbkExtent(const char* p, std::size_t left) {
    const auto lead = static_cast<unsigned char>(p[0]);
    if (lead < 0x81 || lead > 0xFE || left < 2) return 1;
    const auto trail = static_cast<unsigned char>(p[1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

// iconv with a fixed replacement for what the target cannot hold or the source
// does not encode; one descriptor per call keeps it thread-safe.
std::string convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
    const bool fromUtf8 = std::string_view(from) == "UTF-8";
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 8);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one character of the source. Only the
            // bytes that belong to it are skipped, so a broken sequence never
            // swallows the valid character after it.
            out.append(replacement);
            const std::size_t skip = fromUtf8 ? utf8Extent(src, srcLeft) : gbkExtent(src, srcLeft);
            src += skip;
            srcLeft -= skip;
        }
    }
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) { return convert(utf8, "GBK", "UTF-8", "?"); }

std::string GbkToUtf8(std::string_view gbk) { return convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD"); }

}  // namespace rongfan
