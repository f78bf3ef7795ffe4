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
    // Returns true when it was appended.
    bool AppendUnique(std::string_view line);
    bool Contains(std::string_view line) const;
    std::string Text() const;               // the whole text, CR LF after every line
    std::vector<std::string> Lines() const; // the lines in order
    std::size_t LineCount() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::string m_text;
    std::vector<std::string> m_lines;
    std::unordered_set<std::string> m_index;
};

}  // namespace rongfan
