// Input scripts (and recordings, which are scripts) as --input reads them,
// then played for a few frames.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/automation.h"
#include "platform/win32/keyboard.h"
#include "support/fuzz_support.h"

namespace {
fuzzsupport::MemoryFile* g_file = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrepareEnvironment();
    g_file = new fuzzsupport::MemoryFile("script");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    g_file->Write(data, size);
    std::string error;
    const bool fromFile = automation::LoadInputScript(g_file->Path(), &error);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string textError;
    const bool fromText = automation::LoadInputScriptText(text, "script", &textError);
    if ((size <= automation::kMaxScriptBytes && fromFile != fromText) || (!fromText && textError.empty())) std::abort();
    if (fromText) {
        automation::ResetSceneFrames();
        for (int frame = 0; frame < 64; ++frame) {
            automation::BeginSceneFrame();
            BYTE keys[256];
            GetKeyboardState(keys);
            for (int button = 0; button < automation::kScriptedPadButtons; ++button)
                automation::ScriptedPadButtonDown(button);
            const int x = automation::ScriptedPadAxis(0), y = automation::ScriptedPadAxis(1);
            if (x < -6 || x > 6 || y < -6 || y > 6) std::abort();
        }
    }
    automation::UnloadInputScript();
    automation::ResetSceneFrames();
    return 0;
}
