#include "report/ReportTitle.h"

#include <cstring>

#include "report/Report.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan {
namespace {

bool isGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

bool isRefusedAscii(unsigned char c) {
    return c < 0x20 || c == 0x7F || (c != 0 && std::strchr("/\\:*?\"<>|", c) != nullptr);
}

std::string sanitise(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < MaxReportTitleBytes) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isGbkLead(c) && i + 1 < text.size() && isGbkTrail(static_cast<unsigned char>(text[i + 1]))) {
            if (out.size() + 2 > MaxReportTitleBytes) break;
            out.append(text.data() + i, 2);
            i += 2;
            continue;
        }
        out.push_back(c >= 0x80 || isRefusedAscii(c) ? '_' : static_cast<char>(c));
        ++i;
    }
    // A dot is never a GBK trail byte, so the dots can be judged byte by byte.
    // ".." anywhere and a leading dot (hidden file, "." or "..") both go.
    std::string result = out;
    for (std::size_t j = 0; j < out.size(); ++j) {
        if (out[j] != '.') continue;
        const bool leading = out.find_first_not_of('.') > j;
        const bool inRun = (j > 0 && out[j - 1] == '.') || (j + 1 < out.size() && out[j + 1] == '.');
        if (leading || inRun) result[j] = '_';
    }
    return result;
}

// A name of nothing but blanks and replacement marks says nothing about the shop.
bool usable(std::string_view name) { return name.find_first_not_of("_ ") != std::string_view::npos; }

}  // namespace

std::string_view HostFirstLabel(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme != std::string_view::npos) address.remove_prefix(scheme + 3);
    const std::size_t end = address.find_first_of("/?#:.");
    return address.substr(0, end);
}

std::string SafeReportTitle(std::string_view candidate, std::string_view shopAddress) {
    std::string name = sanitise(candidate);
    if (usable(name)) return name;
    name = sanitise(HostFirstLabel(shopAddress));
    if (usable(name)) return name;
    return RF_GBK("店铺");
}

std::string ReportTitle(std::string_view shopAddress, const FetchFunction& fetch) {
    const Text page = fetch ? BytesToText(fetch(shopAddress)) : Text();
    const std::string& homeMarker = RF_GBK("首页-");
    std::string_view candidate;
    if (ContainsText(page, homeMarker))
        candidate = SplitPiece(SplitPiece(page, homeMarker, 2), "-", 1);
    else
        candidate = SplitPiece(SplitPiece(shopAddress, "http://", 2), ".", 1);
    return SafeReportTitle(candidate, shopAddress);
}

}  // namespace rongfan
