#include "cli/CliSearch.h"

#include <algorithm>
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

// Requests of one step, how many came back with nothing (a failed fetch:
// dropped, stalled, refused, or an empty answer) and how many answers held no
// item link at all (every result page of a shop lists items; an error page or
// an answer cut before its first item does not).
struct RequestCount {
    int asked = 0;
    int unanswered = 0;
    int withoutItems = 0;

    Bytes Fetch(std::string_view address) {
        Bytes body = HttpFetch(address);
        ++asked;
        if (body.empty()) ++unanswered;
        const Text text = BytesToText(body);
        // A render error is an answer of its own: the walk goes on with the ordinary pages.
        if (!ContainsText(text, "item.htm?id=") && !ContainsText(text, "default render error")) ++withoutItems;
        return body;
    }
    // "; 3 of 40 result-page requests got no answer", or nothing when all were answered.
    std::string Unanswered(const std::string& what) const {
        if (unanswered == 0) return {};
        return "; " + std::to_string(unanswered) + " of " + std::to_string(asked) + " " + what +
               " requests got no answer (the marketplace or the network failed)";
    }
};

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
    RequestCount walkRequests;
    for (;;) {
        const std::string searchUrl = state->SearchUrl();
        // A browser waits on the page while the user looks at it; without one, a
        // dropped connection or an error page gets a few more tries before the
        // page counts as not captured.
        std::string page;
        int unanswered = 0;
        for (int attempt = 1; attempt <= CaptureAttempts && !IsCapturedPage(page); ++attempt) {
            const Bytes body = HttpFetch(searchUrl);
            if (body.empty()) ++unanswered;
            page = NormaliseCapturedPage(BytesToText(body));
        }
        if (!IsCapturedPage(page)) {
            if (unanswered == CaptureAttempts) {
                progress.Message("the search page " + GbkToUtf8(searchUrl) + " did not answer (" +
                                 std::to_string(CaptureAttempts) +
                                 " attempts): the marketplace or the network failed, try again later");
                return CliExit::NotCaptured;
            }
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
        walk.fetch = [pages, &progress, &walkRequests](std::string_view address) {
            Bytes body = walkRequests.Fetch(address);
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
        progress.Message("the walk through the shop's result pages failed: " + GbkToUtf8(window->Status()) +
                         walkRequests.Unanswered("result-page"));
        return CliExit::SearchFailed;
    }

    const std::size_t total = state->ItemIds().LineCount();
    window->SetHarvestTotal(total);
    SearchContext harvest = context;
    RequestCount harvestRequests;
    harvest.fetch = [&harvestRequests](std::string_view address) { return harvestRequests.Fetch(address); };
    RunHarvester(harvest);
    progress.Finish();

    const FetchFunction fetch = [](std::string_view address) { return HttpFetch(address); };
    const ReportOutcome report = ExportReport(*window, options.outFolder, fetch, false);
    if (report.status == ReportOutcome::Status::NothingToSave) {
        progress.Message("the search found no item: " + GbkToUtf8(window->Status()) +
                         walkRequests.Unanswered("result-page"));
        return CliExit::SearchFailed;
    }

    // A run that lost answers on the way still saves what it has, and says what is missing.
    const std::vector<ResultCells> rows = window->Rows();
    if (walkRequests.withoutItems > 0)
        progress.Message("warning: the list may miss items: " + std::to_string(walkRequests.withoutItems) + " of " +
                         std::to_string(walkRequests.asked) + " result pages fetched held no item" +
                         walkRequests.Unanswered("result-page"));
    const auto withoutPage = std::count_if(rows.begin(), rows.end(), [](const ResultCells& row) {
        return row[static_cast<std::size_t>(ResultColumn::Title)].empty();
    });
    if (withoutPage > 0)
        progress.Message("warning: " + std::to_string(withoutPage) + " of " + std::to_string(rows.size()) +
                         " items came without their item page (removed, blocked, or the login ran out): their "
                         "rows hold only the number and the address" +
                         harvestRequests.Unanswered("item-page and service"));
    else if (harvestRequests.unanswered > 0)
        progress.Message("warning: some values may be missing" + harvestRequests.Unanswered("item-page and service"));

    bool ok = report.status == ReportOutcome::Status::Written;
    if (ok) progress.Status("report written: " + report.path);
    if (!options.jsonFile.empty()) ok = writeOutput(options.jsonFile, RowsToJson(rows), "JSON", progress) && ok;
    if (!options.csvFile.empty()) ok = writeOutput(options.csvFile, RowsToCsv(rows), "CSV", progress) && ok;
    return ok ? CliExit::Done : CliExit::Failed;
}

}  // namespace rongfan
