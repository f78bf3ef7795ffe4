#pragma once
// Lists and helpers shared by the report tests.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/RecorderWindow.h"
#include "text/Gbk.h"

namespace rongfan::testing {

// The nine cells of a list row, in UTF-8 for readability.
using RowCells = std::vector<std::string>;

inline void FillList(RecorderWindow& window, const std::string& address, const std::vector<RowCells>& rows) {
    window.shopAddress = address;
    window.rows.clear();
    for (const RowCells& cells : rows) {
        std::vector<std::string> row;
        for (const std::string& cell : cells) row.push_back(Utf8ToGbk(cell));
        row.resize(ResultColumnCount);
        window.rows.push_back(row);
    }
}

// The list behind tests/data/report/taobao-three-rows.html. The 序号 cells
// (11, 12, 13) differ from the row numbers the page must show.
inline const std::vector<RowCells>& TaobaoRows() {
    static const std::vector<RowCells> rows = {
        {"11", "纯棉T恤 男款", "39.00", "120", "15", "12", "88", "http://item.taobao.com/item.htm?id=1001",
         "http://img.example.com/1001.jpg"},
        {"12", "儿童 <新款> 帽&amp;围巾", "59.00", "7", "0", "0", "3", "http://item.taobao.com/item.htm?id=1002",
         "http://img.example.com/1002.jpg"},
        {"13", "草帽", "", "0", "", "", "0", "http://item.taobao.com/item.htm?id=1003", ""},
    };
    return rows;
}

// The list behind tests/data/report/tmall-three-rows.html; its 30-day cells
// hold values that must not reach the page.
inline const std::vector<RowCells>& TmallRows() {
    static const std::vector<RowCells> rows = {
        {"1", "真丝围巾", "199.00", "45", "901", "902", "17", "http://detail.tmall.com/item.htm?id=2001",
         "http://img.example.com/2001.jpg"},
        {"2", "羊毛披肩", "299.00", "6", "903", "904", "2", "http://detail.tmall.com/item.htm?id=2002",
         "http://img.example.com/2002.jpg"},
        {"3", "棉麻手帕", "19.90", "0", "905", "906", "0", "http://detail.tmall.com/item.htm?id=2003",
         "http://img.example.com/2003.jpg"},
    };
    return rows;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline std::string DataFile(const char* name) { return ReadBytes(std::string(RONGFAN_REPORT_DATA) + "/" + name); }

// The line the rows stand on (the one after the header's closing tr).
inline std::string RowLine(const std::string& page) {
    const std::string header = "  </tr>\r\n";
    const std::size_t start = page.find(header);
    if (start == std::string::npos) return {};
    const std::size_t from = start + header.size();
    return page.substr(from, page.find("\r\n", from) - from);
}

// The rows of a row line, each "<tr>...</tr>".
inline std::vector<std::string> SplitRows(const std::string& line) {
    std::vector<std::string> rows;
    std::size_t at = line.find("<tr>");
    while (at != std::string::npos) {
        const std::size_t end = line.find("</tr>", at);
        if (end == std::string::npos) break;
        rows.push_back(line.substr(at, end + 5 - at));
        at = line.find("<tr>", end);
    }
    return rows;
}

inline int CountOf(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

}  // namespace rongfan::testing
