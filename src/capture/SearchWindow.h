#pragma once
// The narrow view of the main window that engine routines work through. Every
// text is GBK. The desktop program runs each call on the GUI thread, in the
// order a worker makes them; the CLI implements it directly; tests record it.
#include <string>
#include <string_view>

namespace rongfan {

enum class ResultColumn : int {
    Index = 0,       // 序号
    Title = 1,       // 标题
    Price = 2,       // 摆价
    Collections = 3, // 收藏量
    Deals30 = 4,     // 30天成交
    Received30 = 5,  // 30天收货
    Reviews = 6,     // 评价数
    Url = 7,         // 网址
    Picture = 8,     // 图片地址
};
inline constexpr int ResultColumnCount = 9;

class SearchWindow {
public:
    virtual ~SearchWindow() = default;

    // ShopUrlEdit: the shop's base address once a search runs.
    virtual std::string ShopAddress() = 0;
    virtual void SetShopAddress(std::string_view text) = 0;

    // First part of the status bar.
    virtual void SetStatus(std::string_view text) = 0;

    // Searching state: edit box and button disabled, caption "淘中…", busy picture shown.
    virtual void LockSearch() = 0;
    // Idle state: caption "淘一下", both enabled, busy picture hidden.
    virtual void UnlockSearch() = 0;

    // ResultList; rows and columns count from 0.
    virtual void RemoveAllRows() = 0;
    virtual int AppendRow(std::string_view cell0) = 0;  // the new row's index
    virtual void SetCell(int row, int column, std::string_view text) = 0;
    virtual std::string Cell(int row, int column) = 0;  // empty outside the list
    virtual int RowCount() = 0;
    virtual int ColumnWidth(int column) = 0;
    virtual void SetColumnWidth(int column, int width) = 0;

    // The chain of a search: write 1000 ms to the listing or harvest timer.
    virtual void ArmListingTimer() = 0;
    virtual void ArmHarvestTimer() = 0;
    // Opens a fresh login browser window on the current SearchUrl.
    virtual void StartCapture() = 0;

    // Message box titled "青岚提醒您：" with an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace rongfan
