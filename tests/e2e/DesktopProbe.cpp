#include "DesktopProbe.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "app/WindowBridge.h"
#include "host/HttpFetch.h"
#include "text/Text.h"

namespace rongfan::testing {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

void StartDesktopProbe(MainWindow& window) {
    const std::string shop = environment("RONGFAN_PROBE_SHOP");
    const std::string step = environment("RONGFAN_PROBE_CLOSE_WHEN");
    if (shop.empty() || step.empty()) return;
    window.SetReportFolder(environment("RONGFAN_PROBE_FOLDER"), false);

    // Which requests the workers have started; a fetch is noted before it is made,
    // so the step is surely under way (and may be stuck in it) when the window closes.
    struct Seen {
        std::atomic<bool> secondResultPage{false};
        std::atomic<bool> itemPage{false};
    };
    auto seen = std::make_shared<Seen>();
    window.SetFetch([seen](std::string_view address) {
        if (ContainsText(address, "pageNo=2")) seen->secondResultPage = true;
        if (ContainsText(address, "item.htm")) seen->itemPage = true;
        return HttpFetch(address);
    });

    // The user types and clicks once the window is up and its event loop runs.
    QTimer::singleShot(0, &window, [&window, shop] {
        window.findChild<QLineEdit*>(QStringLiteral("ShopUrlEdit"))->setText(QString::fromStdString(shop));
        window.findChild<QPushButton*>(QStringLiteral("SearchButton"))->click();
    });

    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, seen, step] {
        bool now = false;
        if (step == "walk") now = seen->secondResultPage;
        if (step == "harvest") now = seen->itemPage;
        if (step == "export" && seen->itemPage && window.Bridge()->RowCount() > 0) {
            window.findChild<QPushButton*>(QStringLiteral("SavePageButton"))->click();
            // The export disables its button as its first act: then it runs.
            now = !window.findChild<QPushButton*>(QStringLiteral("SavePageButton"))->isEnabled();
        }
        if (!now) return;
        poll->stop();
        std::printf("closing during %s\n", step.c_str());
        std::fflush(stdout);
        window.close();
    });
    poll->start(10);

    if (!environment("RONGFAN_PROBE_VERBOSE").empty()) {
        auto* report = new QTimer(&window);
        QObject::connect(report, &QTimer::timeout, &window, [&window] {
            std::printf("status %zu bytes, captured %zu bytes, login window %d, rows %d\n", window.Status().size(),
                        window.State()->CapturedPage().size(), window.LoginWindow() != nullptr,
                        window.Bridge()->RowCount());
            std::fflush(stdout);
        });
        report->start(1000);
    }
}

}  // namespace rongfan::testing
