#include "cli/CliSearch.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "capture/CaptureRules.h"
#include "capture/ShopAddress.h"
#include "cli/CliWindow.h"
#include "cli/ResultTables.h"
#include "harvest/Harvesters.h"
#include "host/CookieStore.h"
#include "host/HttpFetch.h"
#include "report/ReplaceFile.h"
#include "report/Report.h"
#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

// The cookies the run was given stand for the user's login. Where the desktop
// program deletes its cookies (a new capture, a walker clearing the browser),
// a headless run goes back to exactly these: it has no other way to log in.
class GivenCookies {
public:
    explicit GivenCookies(std::string file) : m_file(std::move(file)) {}
    int Load() { return m_file.empty() ? 0 : CookieStore::Instance().ImportNetscape(m_file); }
    void Reset() {
        CookieStore::Instance().Clear();
        Load();
    }

private:
    std::string m_file;
};

bool writeOutput(const std::string& file, const std::string& bytes, const char* what, CliProgress& progress) {
    if (file == "-") {
        progress.Finish();
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
        if (!ok) progress.Message(std::string("cannot write the ") + what + " to standard output");
        return ok;
    }
    const WriteResult written = ReplaceFile(file, bytes);
    if (!written.ok) progress.Message(std::string("cannot write the ") + what + " file " + file + ": " + written.error);
    return written.ok;
}

}  // namespace

CliExit RunCliSearch(const CliOptions& options, CliProgress& progress) {
    GivenCookies cookies(options.cookiesFile);
    if (!options.cookiesFile.empty()) {
        const int loaded = cookies.Load();
        if (loaded < 0) {
            progress.Message("cannot read the cookies file " + options.cookiesFile);
            return CliExit::Failed;
        }
        progress.Status("cookies loaded: " + std::to_string(loaded));
    }
    std::error_code ignored;
    if (!std::filesystem::is_directory(options.outFolder, ignored)) {
        progress.Message("the output folder " + options.outFolder + " does not exist or is not a folder");
        return CliExit::Failed;
    }

    // The address check of the search launch.
    const LaunchDecision launch = DecideLaunch(Utf8ToGbk(options.shopAddress));
    if (!launch.accepted) {
        progress.Message("请输入淘宝店或天猫店首页网址！");
        return CliExit::Rejected;
    }
    auto window = std::make_shared<CliWindow>(progress);
    auto state = std::make_shared<SearchState>();
    window->SetShopAddress(launch.baseAddress);
    state->SetSearchUrl(launch.searchUrl);
    ApplyColumnLayout(*window, launch.kind);
    window->SetStatus(RF_GBK("正在分析商品地址中……"));

    SearchContext context;
    context.state = state;
    context.window = window;
    context.sleep = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    context.clearBrowserCache = [&cookies](CacheMode mode) {
        if (mode == CacheMode::Cookies) cookies.Reset();
    };

    // Capture and walk; a walker's redirect sends the search back here.
    int recaptures = 0;
    CliWindow::Requests requests;
    for (;;) {
        const std::string searchUrl = state->SearchUrl();
        const std::string page = NormaliseCapturedPage(BytesToText(HttpFetch(searchUrl)));
        if (!IsCapturedPage(page)) {
            progress.Message("the search page " + GbkToUtf8(searchUrl) +
                             " is not a shop's result page: log in to the marketplace in a browser, export its "
                             "cookies and pass them with --cookies");
            if (ShowsLoginHint(page)) progress.Message("the page asks for a login: 请先登录淘宝网再操作！");
            return CliExit::NotCaptured;
        }
        state->SetCapturedPage(page);

        const WalkerChoice choice = ChooseWalker(window->ShopAddress(), page);
        if (choice == WalkerChoice::None) {
            progress.Message("no walker fits the shop address " + GbkToUtf8(window->ShopAddress()));
            return CliExit::SearchFailed;
        }
        SearchContext walk = context;
        auto pages = std::make_shared<int>(0);
        walk.fetch = [pages, &progress](std::string_view address) {
            Bytes body = HttpFetch(address);
            progress.Update("pages walked: " + std::to_string(++*pages));
            return body;
        };
        RunWalker(choice, walk);
        requests = window->TakeRequests();
        if (!requests.capture) break;
        if (recaptures == MaxRecaptures) {
            progress.Message("the shop's search page kept redirecting; stopped after " + std::to_string(MaxRecaptures) +
                             " new captures");
            break;
        }
        ++recaptures;
        cookies.Reset();
        progress.Status("search page redirected to " + GbkToUtf8(state->SearchUrl()) + ", capturing again");
    }
    if (!requests.harvest) {
        progress.Finish();
        progress.Message("the walk through the shop's result pages failed: " + GbkToUtf8(window->Status()));
        return CliExit::SearchFailed;
    }

    const std::size_t total = state->ItemIds().LineCount();
    window->SetHarvestTotal(total);
    SearchContext harvest = context;
    harvest.fetch = [](std::string_view address) { return HttpFetch(address); };
    RunHarvester(harvest);
    progress.Finish();

    const FetchFunction fetch = [](std::string_view address) { return HttpFetch(address); };
    const ReportOutcome report = ExportReport(*window, options.outFolder, fetch, false);
    if (report.status == ReportOutcome::Status::NothingToSave) {
        progress.Message("the search found no item: " + GbkToUtf8(window->Status()));
        return CliExit::SearchFailed;
    }

    bool ok = report.status == ReportOutcome::Status::Written;
    if (ok) progress.Status("report written: " + report.path);
    const std::vector<ResultCells> rows = window->Rows();
    if (!options.jsonFile.empty()) ok = writeOutput(options.jsonFile, RowsToJson(rows), "JSON", progress) && ok;
    if (!options.csvFile.empty()) ok = writeOutput(options.csvFile, RowsToCsv(rows), "CSV", progress) && ok;
    return ok ? CliExit::Done : CliExit::Failed;
}

}  // namespace rongfan
