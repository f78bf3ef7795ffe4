#include "ProgramReader.h"

#include "host/EndpointTable.h"
#include "text/Gbk.h"
#include "text/Text.h"

#include <set>

namespace rongfan::marketsim::test {
namespace {

bool Has(std::string_view text, std::string_view sought) {
    return ContainsText(text, sought);
}

// Second piece after `a`, then its first piece before `b`.
std::string Cut(std::string_view text, std::string_view a, std::string_view b) {
    return std::string(SplitPiece(SplitPiece(text, a, 2), b, 1));
}

int PageCount(std::string_view text, std::string_view marker, std::string_view end) {
    if (!Has(text, marker)) return 1;
    const int n = ToInteger(ToNumber(SplitPiece(Cut(text, marker, end), "/", 2)));
    return n == 0 ? 1 : n;
}

std::string Remove(std::string_view text, std::string_view sought, MatchMode mode = MatchMode::Exact) {
    return ReplaceText(text, sought, "", mode);
}

} // namespace

std::string ProgramReader::Fetch(const std::string &url) {
    m_fetched.push_back(url);
    return BytesToText(m_fetcher.Get(url, true).body);
}

std::string ProgramReader::Normalise(std::string page) {
    page = ReplaceText(page, "page-info\">", "page-info>", MatchMode::AsciiCaseInsensitive);
    page = Remove(page, "\"");
    return ReplaceText(page, "%3D", "=", MatchMode::AsciiCaseInsensitive);
}

std::vector<std::string> ProgramReader::WalkTaobaoAsync(const std::string &base, const std::string &captured) {
    std::vector<std::string> ids;
    std::set<std::string> seen;
    const std::string fragment(SplitPiece(SplitPiece(captured, "?mid=w", 2), "&", 1));
    const std::string first = base + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w" + fragment;
    std::string page = Fetch(first);
    const int pages = PageCount(page, "page-info\\\">", "</");
    for (int k = 1; k <= pages; ++k) {
        if (k > 1)
            page = Fetch(ReplaceText(first, "pageNo=1", "pageNo=" + NumberToText(k), MatchMode::AsciiCaseInsensitive));
        std::string region =
            Has(page, RF_GBK(">下一页</a>")) ? std::string(SplitPiece(page, RF_GBK(">下一页</a>"), 2)) : page;
        region = Remove(region, ");");
        for (const char *noise : {"scene=taobao_shop", "scenetaobao_shop", "on_comment=1"})
            region = Remove(region, noise, MatchMode::AsciiCaseInsensitive);
        const TextList pieces = SplitText(region, "item.htm?id=");
        for (int i = 2; i <= pieces.Count(); ++i) {
            const std::string id = Remove(SplitPiece(pieces.Piece(i), "\\", 1), "&");
            if (!id.empty() && seen.insert(id).second) ids.push_back(id);
        }
    }
    return ids;
}

std::vector<std::string> ProgramReader::WalkTaobaoPlain(const std::string &base, const std::string &captured) {
    std::vector<std::string> ids;
    std::set<std::string> seen;
    const int pages = PageCount(captured, "page-info>", "<");
    std::string key = "pageNo";
    std::string page = captured;
    for (int k = 1; k <= pages; ++k) {
        if (k > 1) page = Fetch(base + "/search.htm?orderType=hotsell_desc&" + key + "=" + NumberToText(k));
        if (!Has(page, "pageNo")) key = "pageNum";
        if (!Has(page, "item.htm?id=")) continue;
        page = Remove(Remove(page, "&on_comment=1"), "&amp;on_comment=1");
        const TextList pieces = SplitText(page, "item.htm?id=");
        for (int i = 2; i <= pieces.Count(); ++i) {
            std::string_view piece = pieces.Piece(i);
            // The captured page lost its quotes: its links end where the quote stood.
            const std::size_t end = k == 1 ? piece.find_first_of(" \t\r\n<>") : piece.find('"');
            std::string id(piece.substr(0, end));
            id = Remove(id, ");");
            for (const char *noise : {"scene=taobao_shop", "scenetaobao_shop", "on_comment=1"})
                id = Remove(id, noise, MatchMode::AsciiCaseInsensitive);
            id = Remove(id, "&");
            if (!id.empty() && seen.insert(id).second) ids.push_back(id);
        }
    }
    return ids;
}

std::vector<std::string> ProgramReader::WalkTmall(const std::string &base, std::string captured) {
    const std::string itemBase = Has(base, EndpointTable::TmallDomain)
                                     ? std::string(EndpointTable::TmallItemHost)
                                     : std::string(EndpointTable::TmallAltItemHost) + "/hk";
    const std::string marker = itemBase + "/item.htm?id=";
    std::vector<std::string> lines;
    std::set<std::string> seen;
    auto collect = [&](std::string_view region) {
        const TextList pieces = SplitText(region, marker);
        for (int i = 2; i <= pieces.Count(); ++i) {
            const std::string id(SplitPiece(pieces.Piece(i), "&", 1));
            if (!id.empty() && !Has(id, "\"") && seen.insert(id).second) lines.push_back("http://" + marker + id);
        }
    };
    for (int capture = 0; capture < 3; ++capture) {
        std::string page = captured;
        for (int attempt = 0; attempt < 5 && !Has(page, "?mid=w-"); ++attempt)
            page = Fetch(base + "/search.htm?search=y");
        if (!Has(page, "?mid=w-")) return lines;
        const std::string number = Cut(page, "?mid=w-", "-0");
        const std::string saved = page;
        const std::string async = base + "/i/asynSearch.htm?mid=w-" + number + "-0&path=/search.htm&&search=y&pageNo=1";
        page = Fetch(async);
        if (!Has(page, "default render error")) {
            const int pages = PageCount(page, "ui-page-s-len\\\">", "<");
            for (int k = 1; k <= pages; ++k) {
                if (k > 1) {
                    page.clear();
                    const std::string url =
                        ReplaceText(async, "pageNo=1", "pageNo=" + NumberToText(k), MatchMode::AsciiCaseInsensitive);
                    for (int attempt = 0; attempt < 5 && page.empty(); ++attempt)
                        page = Fetch(url);
                }
                if (Has(page, "ui-page-s-len") && Has(page, RF_GBK("上一页</a>")))
                    collect(SplitPiece(SplitPiece(page, "ui-page-s-len", 2), RF_GBK("上一页</a>"), 1));
            }
            return lines;
        }
        // Plain mode; the saved page may be the captured one, which lost its quotes.
        page = saved;
        const std::string counter = Has(page, "ui-page-s-len\">") ? "ui-page-s-len\">" : "ui-page-s-len>";
        if (!Has(page, counter)) {
            if (!Has(page, "window.location.href='")) return lines;
            captured = Normalise(Fetch(Cut(page, "window.location.href='", "'")));
            continue;
        }
        const int pages = PageCount(page, counter, "<");
        for (int k = 1; k <= pages; ++k) {
            if (k > 1) page = Fetch(base + "/search.htm?search=y&pageNo=" + NumberToText(k));
            const std::string marked = Has(page, "ui-page-s-len\">") ? "ui-page-s-len\">" : "ui-page-s-len>";
            collect(SplitPiece(SplitPiece(page, marked, 2), RF_GBK("上一页</a>"), 1));
        }
        return lines;
    }
    return lines;
}

Row ProgramReader::HarvestTaobao(const std::string &id, int n) {
    std::array<std::string, 9> cells;
    cells[0] = NumberToText(n);
    std::string page;
    const std::string address = "http://" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + id;
    for (int attempt = 0; attempt < 10 && !Has(page, RF_GBK("-淘宝网</title>")); ++attempt)
        page = Fetch(address);
    if (Has(page, RF_GBK("-淘宝网</title>"))) {
        cells[1] = Cut(page, "<title>", RF_GBK("-淘宝网</title>"));
        if (Has(page, "tb-rmb-num\">")) cells[2] = RemoveSpaces(Cut(page, "tb-rmb-num\">", "<"));
        if (Has(page, "ICCP_1_")) {
            const std::string key = RemoveSpaces(Remove(Cut(page, "ICCP_1_", ","), "\""));
            const std::string service = Remove(Fetch("http://" + std::string(EndpointTable::CounterHost) +
                                                     "/counter3?keys=ICCP_1_" + key + "&callback=json"),
                                               "\"");
            if (Has(service, key + ":")) cells[3] = Cut(service, key + ":", "}");
        }
        const std::string skip = std::string(EndpointTable::DetailSkipHost) + "/json/ifq.htm?";
        if (Has(page, skip)) {
            const std::string url = RemoveSpaces("http://" + skip + Cut(page, skip, "\""));
            std::string service;
            for (int attempt = 0; attempt < 10 && !Has(service, "quanity:"); ++attempt)
                service = ReplaceText(Remove(RemoveSpaces(Fetch(url)), "\t"), "}", ",");
            if (Has(service, "quanity:")) cells[4] = Cut(service, "quanity:", ",");
            if (Has(service, "confirmGoods:")) cells[5] = Cut(service, "confirmGoods:", ",");
        }
        page = ReplaceText(page, "rateCounterApi   : '", "rateCounterApi:\"", MatchMode::AsciiCaseInsensitive);
        page = ReplaceText(page, "',", "\"");
        if (Has(page, "rateCounterApi:\"")) {
            const std::string url =
                RemoveSpaces(Remove("http:" + Cut(page, "rateCounterApi:\"", "\"") + "&callback=jsonp120", "\""));
            std::string service;
            for (int attempt = 0; attempt < 10 && !Has(service, id); ++attempt)
                service = ReplaceText(Remove(Fetch(url), "\""), "}", ",");
            if (Has(service, id + ":")) cells[6] = Cut(service, id + ":", ",");
        }
        if (Has(page, "tb-pic tb-s50"))
            cells[8] =
                "http://" + std::string(SplitPiece(Cut(page, "tb-pic tb-s50", "_50x50.jpg"), "data-src=\"//", 2));
    }
    cells[7] = "https://" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + id;
    Row row;
    for (int i = 0; i < 9; ++i)
        row[i] = GbkToUtf8(cells[i]);
    return row;
}

Row ProgramReader::HarvestTmall(const std::string &line, int n) {
    std::array<std::string, 9> cells;
    const std::string id(SplitPiece(line, "id=", 2));
    cells[0] = NumberToText(n);
    const std::string ending = "-" + std::string(EndpointTable::TmallMarker);
    std::string page;
    for (int attempt = 0; attempt < 10 && !Has(page, ending); ++attempt)
        page = Fetch(line);
    if (Has(page, ending)) {
        const std::string fetched = page;
        if (Has(page, "<title>")) cells[1] = Cut(page, "<title>", ending);
        page = Remove(page, "\"");
        if (Has(page, "defaultItemPrice:")) cells[2] = RemoveSpaces(Cut(page, "defaultItemPrice:", ","));
        if (Has(page, "ICCP_1_")) {
            const std::string key = RemoveSpaces(Remove(Cut(page, "ICCP_1_", ","), "\""));
            const std::string service = Remove(Fetch("http://" + std::string(EndpointTable::CounterHost) +
                                                     "/counter3?keys=ICCP_1_" + key + "&callback=json"),
                                               "\"");
            if (Has(service, key + ":")) cells[3] = Cut(service, key + ":", "}");
        }
        const std::string skip = std::string(EndpointTable::DetailSkipHost) + "/json/ifq.htm?";
        if (Has(page, skip)) {
            const std::string service = ReplaceText(
                Remove(RemoveSpaces(Fetch(RemoveSpaces("http://" + skip + Cut(fetched, skip, "\"")))), "\t"), "}", ",");
            if (Has(service, "quanity:")) cells[4] = Cut(service, "quanity:", ",");
            if (Has(service, "confirmGoods:")) cells[5] = Cut(service, "confirmGoods:", ",");
        }
        if (Has(page, "spuId:")) {
            const std::string url = RemoveSpaces(Remove("http://" + std::string(EndpointTable::TmallRateHost) +
                                                            "/list_dsr_info.htm?itemId=" + id +
                                                            "&spuId=" + Cut(page, "spuId:", ",") + "&callback=jsonp160",
                                                        "\""));
            const std::string service = ReplaceText(Remove(Fetch(url), "\""), "}", ",");
            if (Has(service, "rateTotal:")) cells[6] = Cut(service, "rateTotal:", ",");
        }
        if (Has(page, "J_UlThumb"))
            cells[8] = "http://" + std::string(SplitPiece(Cut(page, "J_UlThumb", "_60x60q90.jpg"), "src=//", 2));
    }
    cells[7] = "https://" + std::string(EndpointTable::TmallItemHost) + "/item.htm?id=" + id;
    Row row;
    for (int i = 0; i < 9; ++i)
        row[i] = GbkToUtf8(cells[i]);
    return row;
}

std::vector<Row> ProgramReader::Search(const std::string &home) {
    const bool taobao = Has(home, EndpointTable::TaobaoDomain);
    const std::string captured =
        Normalise(Fetch(home + (taobao ? "/search.htm?orderType=hotsell_desc" : "/search.htm?search=y")));
    std::vector<Row> rows;
    if (taobao) {
        const auto ids = Has(captured, "?mid=w") ? WalkTaobaoAsync(home, captured) : WalkTaobaoPlain(home, captured);
        for (std::size_t i = 0; i < ids.size(); ++i)
            rows.push_back(HarvestTaobao(ids[i], static_cast<int>(i + 1)));
    } else {
        const auto lines = WalkTmall(home, captured);
        for (std::size_t i = 0; i < lines.size(); ++i)
            rows.push_back(HarvestTmall(lines[i], static_cast<int>(i + 1)));
    }
    return rows;
}

std::string ProgramReader::ReportTitle(const std::string &home) {
    const std::string page = Fetch(home);
    if (Has(page, RF_GBK("首页-"))) return GbkToUtf8(Cut(page, RF_GBK("首页-"), "-"));
    return GbkToUtf8(SplitPiece(SplitPiece(home, "http://", 2), ".", 1));
}

} // namespace rongfan::marketsim::test
