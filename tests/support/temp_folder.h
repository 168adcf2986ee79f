// A fresh folder under the system's temporary directory for one test,
// removed with everything in it when the object goes.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class TempFolder {
public:
    explicit TempFolder(const char* prefix = "vortwing") {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for " + pattern);
        m_root = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    std::string Path(const std::string& name) const { return (m_root / name).string(); }

private:
    std::filesystem::path m_root;
};
