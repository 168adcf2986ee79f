#include "app/Options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/fs/path.h"

namespace {
bool ParseCount(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    *value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

}  // namespace

const char* ProgramUsage() {
    return "usage: vortwing [options]\n"
           "  --data DIR             run with DIR as the data directory (default: the current\n"
           "                         directory when it holds the data, else 'data' beside the\n"
           "                         program, else '../share/vortwing' beside it)\n"
           "  --save-dir DIR         keep the ranking and the last result in DIR instead of the\n"
           "                         results directory below\n"
           "  --frames N             quit after N frames, as if the window were closed\n"
           "  --screenshot N:FILE    save frame N (counted from 0) as a PNG; may repeat\n"
           "  --uncapped             do not limit the frame rate to 60 per second\n"
           "  --scale auto|1|0.75|0.5\n"
           "                         draw the 3D picture at this share of the full resolution,\n"
           "                         the HUD always at full; 'auto' lowers it while frames take\n"
           "                         too long (default: auto, but 1 with --uncapped, --frames,\n"
           "                         --screenshot or --input)\n"
           "  --fullscreen           start in fullscreen (F11 or Alt+Enter switches while playing)\n"
           "  --input FILE           play input from a script instead of keyboard and controller\n"
           "  --record FILE          record the player's input in the script format\n"
           "  --verbose              also write debug lines (devices, drivers, loading) to standard error\n"
           "  --version              show the version\n"
           "  --help                 show this text\n";
}

bool ParseProgramOptions(int argc, const char* const* argv, ProgramOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = option + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string text;
        if (option == "--help" || option == "-h") {
            options->help = true;
        } else if (option == "--version") {
            options->version = true;
        } else if (option == "--verbose" || option == "-v") {
            options->verbose = true;
        } else if (option == "--uncapped") {
            options->uncapped = true;
        } else if (option == "--scale") {
            if (!value(&text)) return false;
            if (text == "auto")
                options->sceneScale = 0.0f;
            else if (text == "1")
                options->sceneScale = 1.0f;
            else if (text == "0.75")
                options->sceneScale = 0.75f;
            else if (text == "0.5")
                options->sceneScale = 0.5f;
            else {
                *error = "--scale needs auto, 1, 0.75 or 0.5, not '" + text + "'";
                return false;
            }
        } else if (option == "--fullscreen") {
            options->fullscreen = true;
        } else if (option == "--data") {
            if (!value(&options->dataDirectory)) return false;
            if (options->dataDirectory.empty()) {
                *error = "--data needs a directory";
                return false;
            }
        } else if (option == "--save-dir") {
            if (!value(&options->saveDirectory)) return false;
            if (options->saveDirectory.empty()) {
                *error = "--save-dir needs a directory";
                return false;
            }
        } else if (option == "--frames") {
            if (!value(&text)) return false;
            if (!ParseCount(text, &options->frames) || options->frames == 0) {
                *error = "--frames needs a positive whole number, not '" + text + "'";
                return false;
            }
        } else if (option == "--screenshot") {
            if (!value(&text)) return false;
            const auto colon = text.find(':');
            std::uint64_t frame = 0;
            if (colon == std::string::npos || !ParseCount(text.substr(0, colon), &frame) || colon + 1 >= text.size()) {
                *error = "--screenshot needs FRAME:FILE, not '" + text + "'";
                return false;
            }
            options->screenshots.emplace_back(frame, text.substr(colon + 1));
        } else if (option == "--input") {
            if (!value(&options->inputScript)) return false;
        } else if (option == "--record") {
            if (!value(&options->recordFile)) return false;
        } else {
            *error = "unknown option '" + option + "' (see --help)";
            return false;
        }
    }
    return true;
}

float SceneScaleFor(const ProgramOptions& options) {
    if (options.sceneScale) return *options.sceneScale;
    const bool automated =
        options.uncapped || options.frames > 0 || !options.screenshots.empty() || !options.inputScript.empty();
    return automated ? 1.0f : 0.0f;
}

bool HoldsGameData(const std::string& directory) {
    if (directory.empty()) return false;
    static const char* const kFiles[] = {"Shader/BaseHLSL.fx", "Shader/BumpMap.fx", "Shader/HDR.fx",
                                         "Shader/staticShadow.fx"};
    static const char* const kFolders[] = {"XFile/Character", "XFile/Map", "Texture", "Sound"};
    std::error_code ignored;
    auto resolved = [&](const char* entry) { return ResolveCaseInsensitivePath((directory + "/" + entry).c_str()); };
    // One effect file is enough to tell the game's data from any other folder;
    // a single missing file is then the loaders' to report, by name.
    const bool anyEffect = std::any_of(std::begin(kFiles), std::end(kFiles), [&](const char* file) {
        return std::filesystem::is_regular_file(resolved(file), ignored);
    });
    if (!anyEffect) return false;
    for (const char* folder : kFolders)
        if (!std::filesystem::is_directory(resolved(folder), ignored)) return false;
    return true;
}

DataSearch FindDataDirectory(const std::string& given, const std::string& currentDirectory,
                             const std::string& executable) {
    namespace stdfs = std::filesystem;
    DataSearch search;
    std::error_code ignored;
    auto consider = [&](const stdfs::path& place) {
        const std::string candidate = stdfs::absolute(place, ignored).lexically_normal().string();
        search.tried.push_back(candidate);
        if (HoldsGameData(candidate)) search.directory = candidate;
        return !search.directory.empty();
    };
    if (!given.empty()) {
        consider(stdfs::path(currentDirectory) / given);
        return search;
    }
    if (consider(currentDirectory)) return search;
    if (executable.empty()) return search;
    const stdfs::path programFolder = stdfs::path(executable).parent_path();
    if (consider(programFolder / "data")) return search;
    consider(programFolder / ".." / "share" / "vortwing");
    return search;
}

std::string ProgramFile(const char* argv0) {
    std::error_code failure;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) program = std::filesystem::absolute(argv0 ? argv0 : "", failure);
    return failure ? std::string() : program.string();
}

std::string DataSearchFailure(const DataSearch& search) {
    std::string places;
    for (const std::string& place : search.tried) places += (places.empty() ? "" : ", ") + place;
    if (search.tried.size() == 1)
        return "no game data in " + places + " (it needs the Shader, XFile, Texture and Sound folders)";
    return "no game data found; looked in " + places + " (install the game, or use --data DIR)";
}
