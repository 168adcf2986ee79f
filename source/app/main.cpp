// Process entry: reads the options, finds the data and the player's results
// directory, then runs the game.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/GameMain.h"
#include "app/Options.h"
#include "app/SceneManager.h"
#include "platform/automation.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/user_dirs.h"
#include "platform/log/log.h"
#include "platform/d3d9/presentation.h"
#include "platform/d3d9/scene_scale.h"
#include "platform/win32/window.h"
#include "scene/GlobalData.h"

#ifndef VORTWING_VERSION
#define VORTWING_VERSION "unknown"
#endif
#ifndef VORTWING_APP_ID
#define VORTWING_APP_ID "vortwing"
#endif

namespace {
// The results directory exists, holds no temporary file an interrupted save
// left, and has taken over the results an earlier version kept in the data
// directory. A directory that cannot be made is reported; the game still
// runs, and each failed save says so.
void PrepareResultsDirectory(const std::string& dataDirectory) {
    std::string reason;
    if (!fs::CreateResultsDirectory(&reason)) {
        vlog::Error(vlog::Category::Files, "results will not be kept: %s", reason.c_str());
        return;
    }
    const std::string results = fs::ResultsDirectory();
    fs::RemoveStaleTemporaries(results);
    fs::AdoptEarlierResults(dataDirectory + "/" + globaldata::kDirectory,
                            {globaldata::kRankingFile, globaldata::kLastResultFile});
    vlog::Debug(vlog::Category::Files, "results directory: %s", results.c_str());
}
}  // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (!ParseProgramOptions(argc, argv, &options, &error)) {
        vlog::Error(vlog::Category::App, "%s", error.c_str());
        return 2;
    }
    vlog::SetVerbose(options.verbose);
    if (options.version) {
        std::printf("vortwing %s\n", VORTWING_VERSION);
        return 0;
    }
    if (!options.saveDirectory.empty()) fs::SetResultsDirectory(options.saveDirectory);
    std::error_code ignored;
    const DataSearch data =
        FindDataDirectory(options.dataDirectory, std::filesystem::current_path(ignored).string(), ProgramFile(argv[0]));
    if (options.help) {
        std::fputs(ProgramUsage(), stdout);
        const std::string results = fs::ResultsDirectory();
        std::printf("data directory:    %s\n", data.directory.empty()
                                                   ? ("none found (" + DataSearchFailure(data) + ")").c_str()
                                                   : data.directory.c_str());
        std::printf("results directory: %s\n", results.empty() ? "none (set HOME or use --save-dir)" : results.c_str());
        return 0;
    }
    // Scripts are read before the data directory is entered, so relative
    // paths mean what they meant to the caller.
    if (!options.inputScript.empty() && !automation::LoadInputScript(options.inputScript.c_str(), &error)) {
        vlog::Error(vlog::Category::App, "%s", error.c_str());
        return 2;
    }
    if (!options.recordFile.empty() && !automation::StartRecording(options.recordFile.c_str(), &error)) {
        vlog::Error(vlog::Category::App, "%s", error.c_str());
        return 2;
    }
    if (data.directory.empty()) {
        vlog::Error(vlog::Category::App, "%s", DataSearchFailure(data).c_str());
        return 2;
    }
    // Screenshots, too, land where the caller meant, not in the data.
    for (const auto& [frame, file] : options.screenshots)
        d3d9::RequestScreenshot(frame, std::filesystem::absolute(file, ignored).string());
    if (fs::ResultsDirectory().empty()) {
        vlog::Error(vlog::Category::App, "no home directory to keep results in (set HOME or use --save-dir DIR)");
        return 2;
    }
    if (chdir(data.directory.c_str()) != 0) {
        vlog::Error(vlog::Category::App, "cannot enter the data directory %s", data.directory.c_str());
        return 2;
    }
    vlog::Debug(vlog::Category::Files, "data directory: %s", data.directory.c_str());
    PrepareResultsDirectory(data.directory);

    win32::SetApplicationId(VORTWING_APP_ID);
    d3d9::SetFrameCap(!options.uncapped);
    if (const float scale = SceneScaleFor(options); scale > 0.0f)
        d3d9::SetSceneScale(scale);
    else
        d3d9::SetAdaptiveSceneScale();
    win32::StartFullscreen(options.fullscreen);
    CSceneManager::SetFrameLimit(options.frames);

    static char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
