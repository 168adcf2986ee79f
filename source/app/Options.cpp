#include "app/Options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {
bool ParseCount(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    *value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

bool HoldsGameData(const std::filesystem::path& directory) {
    std::error_code ignored;
    return std::filesystem::is_directory(directory / "Shader", ignored) ||
           std::filesystem::is_directory(directory / "XFile", ignored) ||
           std::filesystem::is_directory(directory / "GlobalData", ignored);
}
}  // namespace

const char* ProgramUsage() {
    return "usage: vortwing [options]\n"
           "  --data DIR             run with DIR as the data directory (default: the current\n"
           "                         directory when it holds the data, else 'data' beside the program)\n"
           "  --frames N             quit after N frames, as if the window were closed\n"
           "  --screenshot N:FILE    save frame N (counted from 0) as a PNG; may repeat\n"
           "  --uncapped             do not limit the frame rate to 60 per second\n"
           "  --fullscreen           start in fullscreen (F11 or Alt+Enter switches while playing)\n"
           "  --input FILE           play input from a script instead of keyboard and controller\n"
           "  --record FILE          record the player's input in the script format\n"
           "  --verbose              also write debug lines (devices, drivers, loading) to standard error\n"
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
        } else if (option == "--verbose" || option == "-v") {
            options->verbose = true;
        } else if (option == "--uncapped") {
            options->uncapped = true;
        } else if (option == "--fullscreen") {
            options->fullscreen = true;
        } else if (option == "--data") {
            if (!value(&options->dataDirectory)) return false;
            if (options->dataDirectory.empty()) {
                *error = "--data needs a directory";
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

bool EnterDataDirectory(const ProgramOptions& options, const char* argv0, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    if (!options.dataDirectory.empty()) {
        if (chdir(options.dataDirectory.c_str()) != 0) {
            *error = "cannot enter data directory '" + options.dataDirectory + "'";
            return false;
        }
        return true;
    }
    if (HoldsGameData(fs::current_path(failure))) return true;
    fs::path program = fs::read_symlink("/proc/self/exe", failure);
    if (failure) program = fs::absolute(argv0 ? argv0 : "", failure);
    const fs::path beside = program.parent_path() / "data";
    if (HoldsGameData(beside) && chdir(beside.c_str()) == 0) return true;
    *error = "no game data here or in '" + beside.string() + "' (use --data DIR)";
    return false;
}
