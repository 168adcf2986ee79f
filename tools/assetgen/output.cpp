#include "output.h"

#include <fstream>
#include <stdexcept>

namespace assetgen {

void Output::Write(const std::string& relative, const std::vector<uint8_t>& bytes) {
    std::filesystem::path rel = std::filesystem::u8path(relative);
    if (!rel.empty() && *rel.begin() == "GlobalData")
        throw std::runtime_error("refusing to write into GlobalData: " + relative);
    std::filesystem::path path = root_ / rel;
    std::filesystem::create_directories(path.parent_path());
    // Through a temporary name, so a reader never sees half a file.
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!f) throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::rename(tmp, path);
    std::lock_guard lock(mutex_);
    written_.push_back(relative);
}

void Output::Write(const std::string& relative, const std::string& text) {
    Write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

void Output::WritePng(const std::string& relative, const Image& img, bool withAlpha) {
    Write(relative, EncodePng(img, withAlpha));
}

void Output::Preview(const std::string& name, const Image& img) {
    if (preview_.empty()) return;
    std::filesystem::create_directories(preview_);
    std::vector<uint8_t> bytes = EncodePng(img, false);
    std::ofstream f(preview_ / (name + ".png"), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Output::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

}  // namespace assetgen
