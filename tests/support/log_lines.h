// Collects the diagnostic lines written while it lives.
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
