// The report on arbitrary cell texts, shop addresses and home pages. Input: the
// shop address, the home page the title is cut from, then the nine cells of
// each row in turn, pieces separated by "@@" lines. The page is really written
// into a folder of its own and read back: the file lands in that folder and
// nowhere else, under a name the folder can hold, and the page it holds has
// its template's shape with no markup from a cell or the title: read by an
// independent parser, every cell stands between its fixed pieces with no "<",
// ">" or double quote of its own, and says what the cell said.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/EndpointTable.h"
#include "report/Report.h"
#include "report/ReportTemplate.h"
#include "support/FuzzInput.h"
#include "support/RecorderWindow.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace {

using namespace rongfan;

constexpr std::size_t MaxRows = 64;

const std::string& folder() {
    static const std::string made = [] {
        // In memory where the system offers it: every input writes (and syncs) a file.
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/rongfan-fuzz-report-XXXXXX";
        const char* dir = ::mkdtemp(pattern.data());
        FUZZ_CHECK(dir != nullptr);
        // Each input removes its file, so the folder is empty when the run ends.
        std::atexit([] { ::rmdir(folder().c_str()); });
        return std::string(dir);
    }();
    return made;
}

std::vector<std::string> folderEntries() {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder().c_str());
    FUZZ_CHECK(dir != nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Reads the page from `at` on against the fixed pieces of the template and the rows.
class PageReader {
public:
    PageReader(const std::string& page, std::size_t at) : m_page(page), m_at(at) {}

    void Expect(std::string_view fixed) {
        FUZZ_CHECK(m_page.compare(m_at, fixed.size(), fixed) == 0);
        m_at += fixed.size();
    }
    bool Next(std::string_view fixed) const { return m_page.compare(m_at, fixed.size(), fixed) == 0; }
    // A text a cell filled: it runs to the next byte that could begin markup or end an
    // attribute, and may hold none of them.
    std::string_view Filled() {
        const std::size_t end = m_page.find_first_of("<\"", m_at);
        FUZZ_CHECK(end != std::string::npos);
        const std::string_view text(m_page.data() + m_at, end - m_at);
        FUZZ_CHECK(text.find('>') == std::string_view::npos);
        m_at = end;
        return text;
    }
    std::size_t At() const { return m_at; }

private:
    const std::string& m_page;
    std::size_t m_at;
};

// The cell as the page shows it, its references for markup read back byte by byte
// (a lone GBK lead byte may stand right before one). A cell with "&" of its own is
// not compared: a reference it already held is kept as it was.
void checkShows(std::string_view filled, const std::string& cell) {
    if (cell.find('&') != std::string::npos) return;
    std::string shown;
    for (std::size_t i = 0; i < filled.size();) {
        bool replaced = false;
        for (const auto& [reference, character] :
             {std::pair<std::string_view, char>{"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}}) {
            if (filled.substr(i, reference.size()) == reference) {
                shown.push_back(character);
                i += reference.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) shown.push_back(filled[i++]);
    }
    FUZZ_CHECK(shown == cell);
}

void checkPage(const std::string& page, testing::RecorderWindow& window, bool taobao) {
    const std::string& titleStart = RF_GBK("<title>榕帆 ");
    const std::size_t title = page.find(titleStart);
    FUZZ_CHECK(title != std::string::npos);
    PageReader reader(page, title + titleStart.size());
    reader.Filled();
    reader.Expect("</title>");

    const std::string header = taobao ? RF_GBK("    <td>30天收货</td>\r\n    <td>评价数</td>\r\n  </tr>\r\n  ")
                                      : RF_GBK("    <td>收藏量</td>\r\n    <td>评价数</td>\r\n  </tr>\r\n  ");
    const std::size_t rowsAt = page.find(header, reader.At());
    FUZZ_CHECK(rowsAt != std::string::npos);
    PageReader rows(page, rowsAt + header.size());
    const ResultColumn columns[] = {ResultColumn::Title,   ResultColumn::Price,      ResultColumn::Collections,
                                    ResultColumn::Deals30, ResultColumn::Received30, ResultColumn::Reviews};
    const int count = window.RowCount();
    for (int row = 0; row < count; ++row) {
        const auto cell = [&](ResultColumn c) { return window.Cell(row, static_cast<int>(c)); };
        rows.Expect("<tr><td>" + NumberToText(row + 1) + "</td><td><a href=\"");
        checkShows(rows.Filled(), cell(ResultColumn::Url));
        rows.Expect("\" target=\"_blank\"><img src=\"");
        checkShows(rows.Filled(), cell(ResultColumn::Picture));
        rows.Expect("\" alt=\"" + RF_GBK("榕帆") + "\" /></a></td><td>");
        bool first = true;
        for (const ResultColumn c : columns) {
            if (!taobao && (c == ResultColumn::Deals30 || c == ResultColumn::Received30)) continue;
            if (!first) rows.Expect("</td><td>");
            first = false;
            checkShows(rows.Filled(), cell(c));
        }
        rows.Expect("</td></tr>");
    }
    rows.Expect("\r\n</table>\r\n</body>\r\n</html>\r\n\r\n");
    FUZZ_CHECK(rows.At() == page.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> pieces = fuzz::SplitPages(data, size);
    const std::string& address = pieces[0];
    const std::string homePage = pieces.size() > 1 ? pieces[1] : std::string();

    auto window = std::make_shared<testing::RecorderWindow>();
    window->shopAddress = address;
    for (std::size_t i = 2; i < pieces.size() && window->rows.size() < MaxRows; i += ResultColumnCount) {
        std::vector<std::string> row(ResultColumnCount);
        for (int c = 0; c < ResultColumnCount && i + static_cast<std::size_t>(c) < pieces.size(); ++c)
            // The list holds texts: what a harvester cut from a page ends at its first zero byte.
            row[static_cast<std::size_t>(c)] = BytesToText(pieces[i + static_cast<std::size_t>(c)]);
        window->rows.push_back(std::move(row));
    }
    int homeFetches = 0;
    const FetchFunction fetch = [&](std::string_view) {
        ++homeFetches;
        return homePage;
    };

    const ReportOutcome outcome = ExportReport(*window, folder(), fetch, false);
    if (window->rows.empty()) {
        FUZZ_CHECK(outcome.status == ReportOutcome::Status::NothingToSave);
        FUZZ_CHECK(homeFetches == 0 && folderEntries().empty());
        return 0;
    }
    // Whatever the page and address hold, the report gets a name it can be written under, in its folder.
    FUZZ_CHECK(outcome.status == ReportOutcome::Status::Written);
    FUZZ_CHECK(window->messages.empty());
    const std::vector<std::string> entries = folderEntries();
    FUZZ_CHECK(entries.size() == 1);
    FUZZ_CHECK(outcome.path == folder() + "/" + entries[0]);
    FUZZ_CHECK(entries[0].size() > 5 && entries[0].compare(entries[0].size() - 5, 5, ".html") == 0);
    FUZZ_CHECK(entries[0][0] != '.');

    std::ifstream in(outcome.path, std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FUZZ_CHECK(::unlink(outcome.path.c_str()) == 0);
    checkPage(page, *window, ContainsText(address, EndpointTable::TaobaoDomain));
    return 0;
}
