// Runs a program as a child process with its standard error kept, and
// measures what it took: exit status, peak resident memory, wall time.
#pragma once
#include <string>
#include <utility>
#include <vector>

struct ChildRun {
    int exitStatus = -1;  // -1 when killed by a signal
    int signal = 0;
    bool timedOut = false;  // killed after the time limit
    long peakResidentKiB = 0;
    double seconds = 0.0;
    std::string standardError;

    // The lines of standard error that hold needle.
    std::vector<std::string> LinesNaming(const std::string& needle) const;
};

// Starts program with arguments (standard output discarded), with the extra
// environment variables set, and waits at most timeoutSeconds before killing
// it.
ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::pair<std::string, std::string>>& environment, int timeoutSeconds);
