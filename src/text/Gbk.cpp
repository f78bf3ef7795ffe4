#include "text/Gbk.h"

#include <cerrno>
#include <iconv.h>

namespace rongfan {
namespace {

// iconv with a fixed replacement for what the target cannot hold or the source
// does not encode; one descriptor per call keeps it thread-safe.
std::string convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
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
            // EILSEQ or EINVAL: skip one character of the source.
            out.append(replacement);
            std::size_t skip = 1;
            const auto lead = static_cast<unsigned char>(*src);
            if (std::string_view(from) == "UTF-8") {
                if (lead >= 0xF0) skip = 4;
                else if (lead >= 0xE0) skip = 3;
                else if (lead >= 0xC0) skip = 2;
            } else if (lead >= 0x81 && srcLeft >= 2) {
                skip = 2;
            }
            if (skip > srcLeft) skip = srcLeft;
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
