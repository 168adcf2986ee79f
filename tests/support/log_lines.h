// Collect the diagnostic lines written while an object lives.
#pragma once
#include <optional>
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

    // Every line, or only those of one category.
    explicit LogLines(std::optional<vlog::Category> only = std::nullopt) {
        vlog::SetObserver([this, only](vlog::Category category, vlog::Priority priority, const std::string& text) {
            if (!only || category == *only) m_lines.push_back({category, priority, text});
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
    std::vector<std::string> Errors() const { return Texts(vlog::Priority::Error); }
    std::vector<std::string> Warnings() const { return Texts(vlog::Priority::Warn); }

private:
    std::vector<std::string> Texts(vlog::Priority priority) const {
        std::vector<std::string> texts;
        for (const Line& line : m_lines)
            if (line.priority == priority) texts.push_back(line.text);
        return texts;
    }

    std::vector<Line> m_lines;
};
