// assetgen: writes the game's whole data directory from code, and with
// --icons the desktop icons (ICON_DIR/hicolor/NxN/apps/APP_ID.png).
//   assetgen DATA_DIR [--preview PREVIEW_DIR] [--icons ICON_DIR APP_ID]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "asset_manifest.h"
#include "icon.h"
#include "output.h"

namespace {
int Usage() {
    std::fprintf(stderr, "usage: assetgen DATA_DIR [--preview DIR] [--icons DIR APP_ID]\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path root, preview, icons;
    std::string appId;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
            preview = argv[++i];
        } else if (std::strcmp(argv[i], "--icons") == 0 && i + 2 < argc) {
            icons = argv[++i];
            appId = argv[++i];
        } else if (root.empty()) {
            root = argv[i];
        } else {
            return Usage();
        }
    }
    if (root.empty() || (!icons.empty() && appId.empty())) return Usage();
    auto start = std::chrono::steady_clock::now();
    try {
        assetgen::Output out(root, preview);
        // Music encoding is the long part; it runs beside the rest.
        std::exception_ptr musicError;
        std::thread music([&] {
            try {
                assetgen::GenerateMusic(out);
            } catch (...) {
                musicError = std::current_exception();
            }
        });
        assetgen::GenerateCharacters(out);
        assetgen::GenerateScenery(out);
        assetgen::GenerateBillboards(out);
        assetgen::GenerateScreens(out);
        assetgen::GenerateSounds(out);
        assetgen::GenerateIcon(out);
        if (!icons.empty()) assetgen::WriteDesktopIcons(icons, appId);
        music.join();
        if (musicError) std::rethrow_exception(musicError);

        std::vector<std::string> written = out.written();
        std::set<std::string> have(written.begin(), written.end());
        int missing = 0;
        for (const assets::Asset& a : assets::kAssets)
            if (!have.count(a.path)) {
                std::fprintf(stderr, "assetgen: not generated: %s\n", a.path);
                ++missing;
            }
        if (missing) return 1;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("assetgen: %zu files in %.1f s\n", written.size(), seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
