#pragma once
// The hand-over from walkers to harvesters: one item per line, each line
// followed by CR LF. Append only; emptied when a new search is launched.
// An index beside the text answers "is this line already here" exactly.
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace rongfan {

class ItemIdBuffer {
public:
    // Appends `line` + CR LF unless an identical line is present or `line` is empty.
    // Returns true when it was appended. The line is first taken as the harvesters
    // will read it back from the text (ReadableLine), so a page that puts a line
    // break inside a link cannot turn one item into several.
    bool AppendUnique(std::string_view line);
    bool Contains(std::string_view line) const;
    std::string Text() const;               // the whole text, CR LF after every line
    std::vector<std::string> Lines() const; // the lines in order
    std::size_t LineCount() const;
    void Clear();

    // `line` up to its first CR or LF, without a last byte that would be half a
    // character (an odd run of high-bit bytes at its end would take the CR that
    // follows it in the text as its second byte, and the line would not end).
    static std::string_view ReadableLine(std::string_view line);

private:
    mutable std::mutex m_mutex;
    std::string m_text;
    std::vector<std::string> m_lines;
    std::unordered_set<std::string> m_index;
};

}  // namespace rongfan
