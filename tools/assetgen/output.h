// Where the generator writes: the data directory, and the optional preview
// directory for contact sheets.
#pragma once
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "image.h"

namespace assetgen {

class Output {
public:
    Output(std::filesystem::path root, std::filesystem::path preview)
        : root_(std::move(root)), preview_(std::move(preview)) {}

    // Writes one data file (relative path, parent directories created). Paths
    // inside GlobalData are refused: that folder holds the player's results.
    void Write(const std::string& relative, const std::vector<uint8_t>& bytes);
    void Write(const std::string& relative, const std::string& text);
    void WritePng(const std::string& relative, const Image& img, bool withAlpha = true);

    bool previewing() const { return !preview_.empty(); }
    // Stores a contact sheet when previews were asked for.
    void Preview(const std::string& name, const Image& img);

    const std::filesystem::path& root() const { return root_; }
    std::vector<std::string> written() const;

private:
    std::filesystem::path root_, preview_;
    mutable std::mutex mutex_;
    std::vector<std::string> written_;
};

// The families of art, one source file each.
void GenerateCharacters(Output& out);
void GenerateScenery(Output& out);
void GenerateBillboards(Output& out);
void GenerateScreens(Output& out);
void GenerateSounds(Output& out);
void GenerateMusic(Output& out);

}  // namespace assetgen
