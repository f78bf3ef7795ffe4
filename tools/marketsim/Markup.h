#pragma once
// Small text helpers for building pages: escaping for scripts, HTML and URLs.
// All of them step over two-byte GBK characters whole, so a trail byte that
// happens to equal a quote or a backslash is never touched.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rongfan::marketsim {

// Markup embedded in a script string: every double quote becomes \", every
// backslash \\, line breaks \n (what the asynchronous search answers look like).
std::string EscapeForScriptString(std::string_view gbk);

// &, <, > and " as entities, for attribute values.
std::string EscapeHtml(std::string_view text);

// Every byte outside A-Z a-z 0-9 - _ . ~ as %XX.
std::string PercentEncode(std::string_view bytes);
std::string PercentDecode(std::string_view text, bool plusIsSpace);

// GBK text as \uXXXX escapes for its non-ASCII characters (script literals of item pages).
std::string UnicodeEscapes(std::string_view gbk);

using QueryList = std::vector<std::pair<std::string, std::string>>;
// key=value pairs split at "&", percent-decoded; empty pieces ("&&") are skipped.
QueryList ParseQuery(std::string_view query, bool plusIsSpace = false);
// The first value of `key`, or empty.
std::string QueryValue(const QueryList &query, std::string_view key);
bool HasQueryKey(const QueryList &query, std::string_view key);

} // namespace rongfan::marketsim
