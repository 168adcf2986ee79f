// The lines of one log category written while an object of this type lives.
#pragma once
#include <string>
#include <vector>

#include "platform/log/log.h"

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
