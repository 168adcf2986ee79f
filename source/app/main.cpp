// Process entry: reads the automation options, then runs the game.
#include <cstdio>
#include <string>

#include "app/GameMain.h"
#include "app/Options.h"
#include "app/SceneManager.h"
#include "platform/automation.h"
#include "platform/log/log.h"
#include "platform/d3d9/presentation.h"
#include "platform/win32/window.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (!ParseProgramOptions(argc, argv, &options, &error)) {
        vlog::Error(vlog::Category::App, "%s", error.c_str());
        return 2;
    }
    vlog::SetVerbose(options.verbose);
    if (options.help) {
        std::fputs(ProgramUsage(), stdout);
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
    if (!EnterDataDirectory(options, argv[0], &error)) {
        vlog::Error(vlog::Category::App, "%s", error.c_str());
        return 2;
    }
    d3d9::SetFrameCap(!options.uncapped);
    win32::StartFullscreen(options.fullscreen);
    for (const auto& [frame, file] : options.screenshots) d3d9::RequestScreenshot(frame, file);
    CSceneManager::SetFrameLimit(options.frames);

    static char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
