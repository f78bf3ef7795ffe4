#pragma once
// Reads the simulated marketplace the way the program does: the capture's
// normalisation, the three walkers' markers and cuts, the two harvesters'
// cuts and service requests, the report title. It is the independent check
// that every page carries what the program reads and that the simulator's
// truth is what the program makes of it. Where the program mends a fault of
// the original design, this reader follows the mended behaviour.
#include "Fetcher.h"

#include <array>
#include <string>
#include <vector>

namespace rongfan::marketsim::test {

using Row = std::array<std::string, 9>; // UTF-8 cells

class ProgramReader {
public:
    explicit ProgramReader(Fetcher &fetcher) : m_fetcher(fetcher) {}

    // The whole search of a shop from its home address: capture, walk, harvest.
    std::vector<Row> Search(const std::string &home);
    std::string ReportTitle(const std::string &home); // UTF-8
    // Addresses fetched so far, in order.
    const std::vector<std::string> &Fetched() const { return m_fetched; }

    std::string Fetch(const std::string &url); // GBK text up to the first zero byte
    static std::string Normalise(std::string page);

private:
    std::vector<std::string> WalkTaobaoAsync(const std::string &base, const std::string &captured);
    std::vector<std::string> WalkTaobaoPlain(const std::string &base, const std::string &captured);
    std::vector<std::string> WalkTmall(const std::string &base, std::string captured);
    Row HarvestTaobao(const std::string &id, int n);
    Row HarvestTmall(const std::string &line, int n);

    Fetcher &m_fetcher;
    std::vector<std::string> m_fetched;
};

} // namespace rongfan::marketsim::test
