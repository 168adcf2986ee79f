// Collect the diagnostic lines written while an object lives: every line
// (LogLines), or the errors and warnings of one category (xtest::LogLines).
#pragma once
#include <string>
#include <vector>

#include "platform/log/log.h"

class LogLines {
public:
    struct Line {
        vlog::Category category;
        vlog::Priority priority;
        std::string text;
    };

    LogLines() {
        vlog::SetObserver([this](vlog::Category category, vlog::Priority priority, const std::string& text) {
            m_lines.push_back({category, priority, text});
        });
    }
    ~LogLines() { vlog::SetObserver({}); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    const std::vector<Line>& All() const { return m_lines; }
    // The lines whose text holds needle.
    std::vector<Line> Naming(const std::string& needle) const {
        std::vector<Line> found;
        for (const Line& line : m_lines)
            if (line.text.find(needle) != std::string::npos) found.push_back(line);
        return found;
    }

private:
    std::vector<Line> m_lines;
};

namespace xtest {
struct LogLines {
    std::vector<std::string> errors, warnings;
    explicit LogLines(vlog::Category category) {
        vlog::SetObserver([this, category](vlog::Category c, vlog::Priority priority, const std::string& text) {
            if (c != category) return;
            if (priority == vlog::Priority::Error) errors.push_back(text);
            if (priority == vlog::Priority::Warn) warnings.push_back(text);
        });
    }
    ~LogLines() { vlog::SetObserver({}); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;
};
}  // namespace xtest
