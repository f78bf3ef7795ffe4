#include "ServiceAnswers.h"

#include "Hash.h"

#include <cstdio>

namespace rongfan::marketsim {
namespace {

std::string N(long long v) {
    return std::to_string(v);
}

std::string Wrap(std::string_view callback, const std::string &json, std::string_view fallback) {
    const std::string name = callback.empty() ? std::string(fallback) : std::string(callback);
    return name + "(" + json + ");";
}

} // namespace

std::string CounterAnswer(const Market &market, const QueryList &query) {
    const std::string keys = QueryValue(query, "keys");
    std::string json = "{";
    std::string_view rest = keys;
    bool first = true;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view key = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (key.empty()) continue;
        const auto underscore = key.rfind('_');
        const std::string_view tail = underscore == std::string_view::npos ? key : key.substr(underscore + 1);
        const auto ref = market.FindItem(tail);
        std::string value = "0";
        if (key.starts_with("ICCP_1_")) {
            if (ref) value = N(ref->item->collections);
        } else if (key.starts_with("ICVT_7_")) {
            if (ref) value = N(ref->item->reviews * 7 + ref->item->collections);
        } else if (key.starts_with("SM_368_dsr-")) {
            const std::uint64_t h = HashText(key);
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "{v:0,nv:100,m:4.%05u}", static_cast<unsigned>(h % 100000));
            value = buffer;
        } else if (key.starts_with("SCCP_2_")) {
            value = N(static_cast<long long>(HashText(key) % 90000));
        }
        if (!first) json += ",";
        first = false;
        json += "\"" + std::string(key) + "\":" + value;
    }
    json += "}";
    return Wrap(QueryValue(query, "callback"), json, "jsonp86");
}

std::string DetailSkipAnswer(const Item *item, std::string_view callback) {
    std::string body;
    if (!item) {
        body = "{\r\n\tisSuccess:\tfalse,\r\n\tmessage:\t\"item not found\"\r\n}";
    } else {
        // Keys unquoted, values after ": " and tabs, as the service writes them.
        body = "{\r\n\tisSuccess:\ttrue,\r\n\tdelivery:\t{areaId: 330100, deliveryFee: \"0.00\"},\r\n"
               "\tquantity:\t{quanity: " +
               N(item->deals30) + ",\tinterval: 30,\tconfirmGoods: " + N(item->received30) +
               ",\tskuQuantity: {}},\r\n\tsellCountDO:\t{sellCount: " + N(item->soldTotal) +
               "},\r\n\tcurrentTime:\t1393660800000\r\n}";
    }
    if (callback.empty()) return "var ifq = " + body + ";";
    return std::string(callback) + "(" + body + ");";
}

std::string RateCounterAnswer(std::string_view itemId, const Item *item, std::string_view callback) {
    return Wrap(callback, "{\"" + std::string(itemId) + "\":" + N(item ? item->reviews : 0) + "}", "jsonp100");
}

std::string RatingAnswer(const Item *item, std::string_view spuId, std::string_view callback) {
    const bool known = item && item->spuId == spuId;
    char grade[16];
    std::snprintf(grade, sizeof grade, "%.1f", known ? 4.5 + static_cast<double>(item->reviews % 5) / 10 : 0.0);
    const std::string json =
        "{\"dsr\":{\"gradeAvg\":" + std::string(grade) +
        ",\"itemId\":0,\"peopleNum\":0,\"periodSoldQuantity\":0,\"rateTotal\":" + N(known ? item->reviews : 0) +
        ",\"sellerId\":0,\"spuId\":0,\"totalSoldQuantity\":0}}";
    // The live service puts a line break before the call.
    const std::string name = callback.empty() ? std::string("jsonp128") : std::string(callback);
    return "\r\n" + name + "(" + json + ")";
}

} // namespace rongfan::marketsim
