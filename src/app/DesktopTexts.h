#pragma once
// The desktop program's own texts and addresses. They are written in UTF-8 here
// and shown through Qt; texts the engine writes arrive as GBK through SearchWindow.
#include <QString>
#include <array>

namespace rongfan::desktop {

inline QString MainWindowTitle() { return QStringLiteral("榕帆 —— 分析店铺情况辅助工具 V1.3"); }
inline QString ShopUrlGroupText() { return QStringLiteral("淘宝、天猫首页网址"); }
inline QString IdleCaption() { return QStringLiteral("淘一下"); }
inline QString SearchingCaption() { return QStringLiteral("淘中…"); }
inline QString SavePageText() { return QStringLiteral("保存页面"); }
inline QString OpenLinkText() { return QStringLiteral("打开链接"); }
inline QString MessageTitle() { return QStringLiteral("青岚提醒您："); }

inline QString LoginWindowTitle() { return QStringLiteral("请登录淘宝网后继续操作！"); }
inline QString LoginHintTitle() { return QStringLiteral("请先登录淘宝网再操作！"); }
inline QString CapturedTitle() { return QStringLiteral("获取信息成功！"); }
// The search stops when the user closes the login window before the page was
// captured; the controls go back to idle and say why.
inline QString LoginClosedStatus() { return QStringLiteral("登录窗口已关闭，本次搜索已取消。"); }

// Our own pages. The project has no public site yet, so they sit in the
// reserved .example domain until it does; no third party's address is used.
inline QString PublisherPage() { return QStringLiteral("https://rongfan.example/"); }
inline QString SupportGroupPage1() { return QStringLiteral("https://rongfan.example/support/group-1"); }
inline QString SupportGroupPage2() { return QStringLiteral("https://rongfan.example/support/group-2"); }
inline QString WelcomeLine() { return QStringLiteral("欢迎使用榕帆！榕帆工作室出品 · rongfan.example"); }
inline QString WelcomeTooltip() { return QStringLiteral("https://rongfan.example/ —— 榕帆"); }
inline QString SupportGroupText1() { return QStringLiteral("榕帆官方QQ交流一群（点击加入）"); }
inline QString SupportGroupText2() { return QStringLiteral("榕帆官方QQ交流二群（点击加入）"); }

struct ColumnDesign {
    const char16_t* title;
    int width;
    Qt::Alignment alignment;
};
// ResultList's nine columns: title, default width, alignment.
inline const std::array<ColumnDesign, 9>& ResultColumns() {
    static const std::array<ColumnDesign, 9> columns{{
        {u"序号", 40, Qt::AlignLeft},
        {u"标题", 280, Qt::AlignLeft},
        {u"摆价", 120, Qt::AlignHCenter},
        {u"收藏量", 70, Qt::AlignHCenter},
        {u"30天成交", 90, Qt::AlignHCenter},
        {u"30天收货", 90, Qt::AlignHCenter},
        {u"评价数", 80, Qt::AlignHCenter},
        {u"网址", 0, Qt::AlignLeft},
        {u"图片地址", 0, Qt::AlignLeft},
    }};
    return columns;
}

}  // namespace rongfan::desktop
