#include "Words.h"

#include <array>

namespace rongfan::marketsim::words {
namespace {

constexpr std::array<std::string_view, 12> kOpeners = {"2024新款", "秋冬", "夏季", "韩版", "复古",  "原创",
                                                       "正品",     "包邮", "日系", "春装", "ins风", "高端"};
constexpr std::array<std::string_view, 10> kQualifiers = {"宽松", "修身", "加厚", "简约", "大码",
                                                          "学生", "男士", "女士", "情侣", "儿童"};
constexpr std::array<std::string_view, 20> kProducts = {
    "纯棉T恤", "连衣裙", "牛仔裤",   "连帽卫衣", "羽绒服",   "针织开衫", "帆布鞋", "双肩包",   "保温杯",   "蓝牙耳机",
    "手机壳",  "收纳盒", "茶具套装", "真丝围巾", "电热水壶", "瑜伽垫",   "台灯",   "陶瓷花瓶", "格子衬衫", "运动短裤"};
constexpr std::array<std::string_view, 10> kClosers = {"白色/XL", "黑色 M码", "送礼盒", "买二送一", "现货速发",
                                                       "包邮",    "限时特价", "灰色 L", "两件套",   "官方正品"};
// Traditional characters: several of them end in a byte of the ASCII range in
// GBK (運 ends in a backslash), which a parser that ignores character
// boundaries would trip over.
constexpr std::array<std::string_view, 10> kTraditionalProducts = {
    "運動鞋", "連衣裙", "長袖襯衫", "休閒褲", "護膚面膜", "精華液", "男裝外套", "女裝毛衣", "寬鬆衛衣", "保溫杯"};
constexpr std::array<std::string_view, 6> kTraditionalOpeners = {"韓版", "時尚", "國際版", "新款", "香港直郵", "正品"};
constexpr std::array<std::string_view, 12> kShopCores = {"青岚", "榕树下", "小鹿", "木子", "云朵", "海风",
                                                         "橙子", "竹林",   "白鹭", "山茶", "星河", "暖阳"};
constexpr std::array<std::string_view, 6> kTaobaoSuffixes = {"小铺",   "精品店",   "原创设计",
                                                             "家居馆", "数码专营", "的店"};
constexpr std::array<std::string_view, 3> kTmallSuffixes = {"旗舰店", "专卖店", "官方旗舰店"};
constexpr std::array<std::string_view, 2> kHkSuffixes = {"海外旗艦店", "國際專營店"};
constexpr std::array<std::string_view, 8> kBrands = {"Nike",  "Adidas", "Lining", "Anta",
                                                     "Midea", "Haier",  "Lenovo", "Uniqlo"};
constexpr std::array<std::string_view, 8> kCities = {"杭州", "广州", "上海", "北京", "深圳", "义乌", "苏州", "成都"};

} // namespace

std::span<const std::string_view> TitleOpeners() {
    return kOpeners;
}
std::span<const std::string_view> TitleQualifiers() {
    return kQualifiers;
}
std::span<const std::string_view> Products() {
    return kProducts;
}
std::span<const std::string_view> TitleClosers() {
    return kClosers;
}
std::span<const std::string_view> TraditionalProducts() {
    return kTraditionalProducts;
}
std::span<const std::string_view> TraditionalOpeners() {
    return kTraditionalOpeners;
}
std::span<const std::string_view> ShopCores() {
    return kShopCores;
}
std::span<const std::string_view> TaobaoShopSuffixes() {
    return kTaobaoSuffixes;
}
std::span<const std::string_view> TmallShopSuffixes() {
    return kTmallSuffixes;
}
std::span<const std::string_view> HkShopSuffixes() {
    return kHkSuffixes;
}
std::span<const std::string_view> Brands() {
    return kBrands;
}
std::span<const std::string_view> Cities() {
    return kCities;
}

} // namespace rongfan::marketsim::words
