#include "TestShops.h"

#include <stdexcept>

namespace rongfan::marketsim::test {

Json Expected(const std::vector<std::string> &arguments) {
    return Json::parse(rongfan::testing::MarketsimExpected(arguments));
}

const Json &ShopEntry(const Json &truth, const std::string &host) {
    for (const Json &shop : truth.at("shops"))
        if (shop.at("host") == host) return shop;
    throw std::runtime_error("no shop " + host + " in the truth");
}

std::vector<std::string> ShopArguments(const std::vector<std::string> &setups) {
    std::vector<std::string> out;
    for (const std::string &s : setups) {
        out.push_back("--shop");
        out.push_back(s);
    }
    return out;
}

} // namespace rongfan::marketsim::test
