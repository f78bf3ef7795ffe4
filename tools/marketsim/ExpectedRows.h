#pragma once
// The truth: for every shop, the result rows the program makes of it when
// every page and service answers (nine cells per item, GBK), and the JSON
// that --dump-expected prints (cells converted to UTF-8).
#include "ShopModel.h"

#include <array>
#include <string>
#include <vector>

namespace rongfan::marketsim {

using ExpectedRow = std::array<std::string, 9>; // GBK cells 序号 … 图片地址

std::vector<ExpectedRow> ExpectedRows(const Shop &shop);
// The report title the program derives from the shop's home page.
std::string ExpectedReportTitle(const Shop &shop);
std::string ExpectedJson(const Market &market);

} // namespace rongfan::marketsim
