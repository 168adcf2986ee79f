// Runs a test with another current directory, restored afterwards: either
// the generated data directory (for the assets) or a fresh temporary one
// with an empty GlobalData inside (for the saved files), removed at the end.
// While a temporary one is current, the program's results directory is that
// GlobalData, so "GlobalData/..." means the same file to the game and to the
// test. The temporary one may also see the assets, through links to the data
// directory's folders, so that a whole scene runs in it.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <unistd.h>

#include "support/results_directory.h"

class ScopedDirectory {
public:
    // A fresh temporary directory holding an empty GlobalData.
    explicit ScopedDirectory(const char* linkAssetsOf = nullptr) : m_previous(std::filesystem::current_path()) {
        m_temporary = std::filesystem::temp_directory_path() /
                      ("vortwing-globaldata-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter()));
        std::filesystem::create_directories(m_temporary / "GlobalData");
        if (linkAssetsOf)
            for (const auto& entry : std::filesystem::directory_iterator(linkAssetsOf))
                if (entry.path().filename() != "GlobalData")
                    std::filesystem::create_symlink(entry.path(), m_temporary / entry.path().filename());
        std::filesystem::current_path(m_temporary);
        m_previousResults = PointResultsDirectoryAt((m_temporary / "GlobalData").string());
        m_pointedResults = true;
    }
    struct Into {};
    ScopedDirectory(Into, const std::filesystem::path& directory) : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    ~ScopedDirectory() {
        if (m_pointedResults) PointResultsDirectoryAt(m_previousResults);
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        if (!m_temporary.empty()) std::filesystem::remove_all(m_temporary, ignored);
    }
    // Where the test started, for files it leaves to be looked at.
    std::string Previous(const char* name) const { return (m_previous / name).string(); }
    // The temporary directory (empty for one entered with Into).
    const std::filesystem::path& Path() const { return m_temporary; }

    ScopedDirectory(const ScopedDirectory&) = delete;
    ScopedDirectory& operator=(const ScopedDirectory&) = delete;

private:
    static int& Counter() {
        static int counter = 0;
        return counter;
    }
    std::filesystem::path m_previous;
    std::filesystem::path m_temporary;
    std::string m_previousResults;
    bool m_pointedResults = false;
};

// Whole files as bytes, for the saved records.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
