#pragma once
// Progress and messages on standard error: one updating line on a terminal,
// plain lines otherwise.
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace rongfan {

class CliProgress {
public:
    // `quiet` silences progress and status lines; messages still appear.
    CliProgress(std::FILE* out, bool terminal, bool quiet) : m_out(out), m_terminal(terminal), m_quiet(quiet) {}

    // A progress figure that replaces the previous one (UTF-8).
    void Update(std::string_view text);
    // A status line that stays (UTF-8).
    void Status(std::string_view text);
    // A message that is shown even when quiet (UTF-8).
    void Message(std::string_view text);
    // Ends an updating line so later output starts on a fresh line.
    void Finish();

private:
    void endLine();  // with m_mutex held
    std::mutex m_mutex;
    std::FILE* m_out;
    bool m_terminal;
    bool m_quiet;
    bool m_lineOpen = false;
    std::string m_last;
};

}  // namespace rongfan
