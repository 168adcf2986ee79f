#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

std::vector<std::string> ChildRun::LinesNaming(const std::string& needle) const {
    std::vector<std::string> lines;
    std::istringstream stream(standardError);
    for (std::string line; std::getline(stream, line);)
        if (line.find(needle) != std::string::npos) lines.push_back(line);
    return lines;
}

ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::pair<std::string, std::string>>& environment, int timeoutSeconds) {
    ChildRun run;
    char errorPath[] = "/tmp/vortwing-child-stderr-XXXXXX";
    const int errorFile = ::mkstemp(errorPath);
    if (errorFile < 0) return run;
    ::unlink(errorPath);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
        const int nothing = ::open("/dev/null", O_RDWR);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(errorFile, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        std::_Exit(127);
    }
    if (child < 0) {
        ::close(errorFile);
        return run;
    }
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(child, &status, WNOHANG, &usage);
        if (done == child) break;
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(timeoutSeconds)) {
            run.timedOut = true;
            ::kill(child, SIGKILL);
            ::wait4(child, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakResidentKiB = usage.ru_maxrss;
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);

    ::lseek(errorFile, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(errorFile, buffer, sizeof buffer)) > 0) run.standardError.append(buffer, got);
    ::close(errorFile);
    return run;
}
