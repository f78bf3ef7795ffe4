#include <gtest/gtest.h>

#include "report/HtmlEscape.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

struct EscapeCase {
    const char* name;
    std::string in;
    std::string out;
};

TEST(HtmlEscape, Table) {
    const std::string zhong = Utf8ToGbk("中文");
    const EscapeCase cases[] = {
        {"script tag", "<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"existing amp kept", "A&amp;B", "A&amp;B"},
        {"bare ampersand", "AT&T", "AT&amp;T"},
        {"ampersand at the end", "a&", "a&amp;"},
        {"decimal reference kept", "it&#39;s", "it&#39;s"},
        {"hex reference kept", "&#x4e2d;&#X4E2D;", "&#x4e2d;&#X4E2D;"},
        {"named reference kept", "&copy;&nbsp;", "&copy;&nbsp;"},
        {"name without semicolon", "&copy 2010", "&amp;copy 2010"},
        {"empty decimal reference", "&#;", "&amp;#;"},
        {"empty hex reference", "&#x;", "&amp;#x;"},
        {"name must start with a letter", "&1a;", "&amp;1a;"},
        {"query string", "item.htm?id=1&spm=a1;", "item.htm?id=1&amp;spm=a1;"},
        {"too many digits", "&#123456789;", "&amp;#123456789;"},
        {"double quotes", "say \"hi\"", "say &quot;hi&quot;"},
        {"attribute breakout", "x.jpg\" onerror=\"alert(1)", "x.jpg&quot; onerror=&quot;alert(1)"},
        {"gbk passes whole", zhong + "<" + zhong, zhong + "&lt;" + zhong},
        {"lone lead byte before markup", "\x81<b>", "\x81&lt;b&gt;"},
        {"lead byte at the end", "ab\xD6", "ab\xD6"},
        {"plain text", "39.00", "39.00"},
        {"empty", "", ""},
    };
    for (const EscapeCase& c : cases) EXPECT_EQ(EscapeHtml(c.in), c.out) << c.name;
}

}  // namespace
}  // namespace rongfan
