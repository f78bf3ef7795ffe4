#pragma once
// Turning a title taken from a web page into a usable file name.
#include <cstddef>
#include <string>
#include <string_view>

namespace rongfan {

// Longest report title in GBK bytes; with ".html" and the temporary suffix of a
// write, the name stays far below the file system's limit even as UTF-8.
inline constexpr std::size_t MaxReportTitleBytes = 120;

// `candidate` (GBK) made safe as a file name: path separators, control bytes,
// characters other file systems refuse, runs of dots, leading dots and broken
// GBK bytes become "_", and the name is cut to MaxReportTitleBytes at a
// character boundary. When nothing usable is left, the first label of the
// shop's host, and when that is empty too, "店铺".
std::string SafeReportTitle(std::string_view candidate, std::string_view shopAddress);

// The first label of the host in an address ("http://abc.taobao.com/x" -> "abc").
std::string_view HostFirstLabel(std::string_view address);

}  // namespace rongfan
