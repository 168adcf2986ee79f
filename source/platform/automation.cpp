#include "platform/automation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

#include "platform/dinput/dinput.h"
#include "platform/dinput/pad.h"
#include "platform/mmio/mmio.h"
#include "platform/fs/regular_file.h"
#include "platform/win32/keyboard.h"

namespace automation {
namespace {
std::uint64_t g_nextFrame = 0;
std::uint64_t g_currentFrame = 0;

enum class InputKind { Key, Button, Axis, Connected };

struct ScriptEvent {
    std::uint64_t frame;
    InputKind kind;
    int index;  // virtual key, button number or axis number
    int value;
};

struct InputState {
    bool keys[256] = {};
    bool buttons[kScriptedPadButtons] = {};
    int axes[2] = {};
    bool padConnected = true;
};

struct Script {
    bool active = false;
    bool hasController = false;
    std::vector<ScriptEvent> events;
    std::size_t cursor = 0;
    InputState state;
} g_script;

struct Recorder {
    std::FILE* file = nullptr;
    InputState written;
    bool padWritten = false;  // the controller's presence has been recorded
    std::unique_ptr<dinput::Pad> pad;
} g_recorder;

// Keys the keyboard derives from their left and right keys; recording them
// too would only repeat the sides.
bool IsDerivedKey(int virtualKey) {
    return virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU;
}

bool ParseInteger(const std::string& text, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    *out = value;
    return true;
}

// Splits one line (comment removed) into whitespace-separated words.
std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

// Parses NAME into kind and index; false for an unknown name.
bool ParseInputName(const std::string& name, InputKind* kind, int* index) {
    if (strncasecmp(name.c_str(), "PAD.", 4) == 0) {
        const std::string rest = name.substr(4);
        if (strcasecmp(rest.c_str(), "CONNECTED") == 0) {
            *kind = InputKind::Connected;
            *index = 0;
            return true;
        }
        if (strcasecmp(rest.c_str(), "X") == 0 || strcasecmp(rest.c_str(), "Y") == 0) {
            *kind = InputKind::Axis;
            *index = (rest[0] == 'X' || rest[0] == 'x') ? 0 : 1;
            return true;
        }
        long long button = 0;
        if (strncasecmp(rest.c_str(), "BUTTON", 6) == 0 && rest.size() > 6 && rest[6] != '+' && rest[6] != '-' &&
            ParseInteger(rest.substr(6), &button) && button >= 0 && button < kScriptedPadButtons) {
            *kind = InputKind::Button;
            *index = static_cast<int>(button);
            return true;
        }
        return false;
    }
    const int virtualKey = win32::VirtualKeyFromName(name.c_str());
    if (virtualKey == 0) return false;
    *kind = InputKind::Key;
    *index = virtualKey;
    return true;
}

std::string LineError(const char* source, int line, const std::string& reason) {
    return std::string(source ? source : "script") + ":" + std::to_string(line) + ": " + reason;
}

void Apply(InputState& state, const ScriptEvent& event) {
    switch (event.kind) {
    case InputKind::Key: state.keys[event.index] = event.value != 0; break;
    case InputKind::Button: state.buttons[event.index] = event.value != 0; break;
    case InputKind::Axis: state.axes[event.index] = event.value; break;
    case InputKind::Connected: state.padConnected = event.value != 0; break;
    }
}

void ApplyScriptUpTo(std::uint64_t frame) {
    while (g_script.cursor < g_script.events.size() && g_script.events[g_script.cursor].frame <= frame)
        Apply(g_script.state, g_script.events[g_script.cursor++]);
}

// The controller as the game would see it; false when the game has none.
// An unplugged pad reads as connected = false.
bool ReadRecordedPad(InputState& now) {
    if (g_script.active) {
        if (!g_script.hasController) return false;
        std::copy(std::begin(g_script.state.buttons), std::end(g_script.state.buttons), now.buttons);
        now.axes[0] = g_script.state.axes[0];
        now.axes[1] = g_script.state.axes[1];
        now.padConnected = g_script.state.padConnected;
        return true;
    }
    if (!g_recorder.pad) return false;
    if (!g_recorder.pad->Connect()) {
        // Until a pad was seen, the game has none to record.
        now.padConnected = false;
        return g_recorder.padWritten;
    }
    static const dinput::AxisRange kRanges[dinput::kPadAxes] = {{-6, 6}, {-6, 6}, {-6, 6}, {-6, 6},
                                                                {-6, 6}, {-6, 6}, {-6, 6}, {-6, 6}};
    DIJOYSTATE2 state;
    g_recorder.pad->Read(&state, kRanges);
    for (int b = 0; b < kScriptedPadButtons; ++b) now.buttons[b] = (state.rgbButtons[b] & 0x80) != 0;
    now.axes[0] = state.lX;
    now.axes[1] = state.lY;
    now.padConnected = true;
    return true;
}

void WriteEvent(std::uint64_t frame, const char* name, const char* suffix, int value) {
    std::fprintf(g_recorder.file, "%llu %s%s %d\n", static_cast<unsigned long long>(frame), name, suffix, value);
}

void RecordFrame(std::uint64_t frame) {
    if (!g_recorder.file) return;
    InputState now;
    BYTE down[256];
    if (g_script.active) {
        for (int vk = 0; vk < 256; ++vk) down[vk] = g_script.state.keys[vk] ? 0x80 : 0;
    } else {
        win32::ReadPhysicalKeys(down);
    }
    for (int vk = 0; vk < 256; ++vk) now.keys[vk] = down[vk] != 0 && !IsDerivedKey(vk);
    InputState& was = g_recorder.written;
    for (int vk = 0; vk < 256; ++vk) {
        if (now.keys[vk] == was.keys[vk]) continue;
        WriteEvent(frame, win32::VirtualKeyName(vk), "", now.keys[vk] ? 1 : 0);
        was.keys[vk] = now.keys[vk];
    }
    if (ReadRecordedPad(now)) {
        // An unplugged pad is written as such, and its inputs as they are
        // once it is back.
        if (now.padConnected != was.padConnected) {
            WriteEvent(frame, "PAD.CONNECTED", "", now.padConnected ? 1 : 0);
            was.padConnected = now.padConnected;
        }
        if (now.padConnected) {
            for (int b = 0; b < kScriptedPadButtons; ++b) {
                if (now.buttons[b] == was.buttons[b]) continue;
                WriteEvent(frame, "PAD.BUTTON", std::to_string(b).c_str(), now.buttons[b] ? 1 : 0);
                was.buttons[b] = now.buttons[b];
            }
            for (int a = 0; a < 2; ++a) {
                // The first line naming the controller also marks it present.
                if (now.axes[a] == was.axes[a] && (g_recorder.padWritten || a != 0)) continue;
                WriteEvent(frame, a == 0 ? "PAD.X" : "PAD.Y", "", now.axes[a]);
                was.axes[a] = now.axes[a];
            }
            g_recorder.padWritten = true;
        }
    }
    std::fflush(g_recorder.file);
}
}  // namespace

std::uint64_t SceneFrame() { return g_currentFrame; }

void BeginSceneFrame() {
    g_currentFrame = g_nextFrame++;
    if (g_script.active) ApplyScriptUpTo(g_currentFrame);
    win32::RefreshKeyToggles();
    RecordFrame(g_currentFrame);
}

void ResetSceneFrames() {
    g_nextFrame = 0;
    g_currentFrame = 0;
    g_script.cursor = 0;
    g_script.state = InputState{};
}

bool LoadInputScriptText(std::string_view text, const char* sourceName, std::string* error) {
    std::vector<ScriptEvent> events;
    bool hasController = false;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++lineNumber;
        const std::vector<std::string> words = Words(text.substr(start, end - start));
        start = end + 1;
        if (words.empty()) continue;
        auto fail = [&](const std::string& reason) {
            if (error) *error = LineError(sourceName, lineNumber, reason);
            return false;
        };
        if (words.size() != 3) return fail("expected FRAME NAME VALUE");
        long long frame = 0;
        if (words[0][0] == '+' || !ParseInteger(words[0], &frame) || frame < 0)
            return fail("frame '" + words[0] + "' is not a frame number");
        ScriptEvent event{static_cast<std::uint64_t>(frame), InputKind::Key, 0, 0};
        if (!ParseInputName(words[1], &event.kind, &event.index)) return fail("unknown input '" + words[1] + "'");
        long long value = 0;
        if (!ParseInteger(words[2], &value)) return fail("value '" + words[2] + "' is not a number");
        if (event.kind == InputKind::Axis) {
            if (value < -6 || value > 6) return fail("axis value " + words[2] + " is outside -6...6");
            hasController = true;
        } else if (event.kind == InputKind::Connected) {
            if (value != 0 && value != 1) return fail("PAD.CONNECTED must be 0 or 1");
            hasController = true;
        } else {
            if (value != 0 && value != 1) return fail("key or button value must be 0 or 1");
            if (event.kind == InputKind::Button) hasController = true;
        }
        event.value = static_cast<int>(value);
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    g_script = Script{};
    g_script.active = true;
    g_script.hasController = hasController;
    g_script.events = std::move(events);
    // Loaded while a frame runs (tests): that frame's events hold at once.
    if (g_nextFrame > 0) ApplyScriptUpTo(g_currentFrame);
    return true;
}

bool LoadInputScript(const char* path, std::string* error) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!fs::ReadRegularFile(path, kMaxScriptBytes, &bytes, &reason)) {
        if (error) *error = std::string(path ? path : "(null)") + ": not read as an input script: " + reason;
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return LoadInputScriptText(text, path, error);
}

void UnloadInputScript() { g_script = Script{}; }

bool StartRecording(const char* path, std::string* error) {
    StopRecording();
    // Only a regular file is written: a FIFO would hold the game until
    // someone reads it, a device would take the recording nowhere useful.
    struct stat existing {};
    if (path && ::stat(path, &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (error) *error = std::string(path) + ": cannot record into it: not a regular file";
        return false;
    }
    std::FILE* file = path ? std::fopen(path, "w") : nullptr;
    if (!file) {
        if (error) *error = std::string(path ? path : "(null)") + ": cannot create: " + std::strerror(errno);
        return false;
    }
    static bool exitHookInstalled = false;
    if (!exitHookInstalled) {
        std::atexit(StopRecording);
        exitHookInstalled = true;
    }
    std::fputs("# vortwing input recording: FRAME NAME VALUE\n", file);
    g_recorder = Recorder{};
    g_recorder.file = file;
    g_recorder.pad = std::make_unique<dinput::Pad>(/*announce=*/false);
    return true;
}

void StopRecording() {
    if (!g_recorder.file) return;
    std::fclose(g_recorder.file);
    g_recorder = Recorder{};
}

bool InputScriptActive() { return g_script.active; }
bool InputScriptHasController() { return g_script.active && g_script.hasController; }

bool ScriptedKeyDown(int virtualKey) {
    return g_script.active && virtualKey >= 0 && virtualKey < 256 && g_script.state.keys[virtualKey];
}

bool ScriptedPadButtonDown(int button) {
    return g_script.active && button >= 0 && button < kScriptedPadButtons && g_script.state.buttons[button];
}

int ScriptedPadAxis(int axis) { return g_script.active && (axis == 0 || axis == 1) ? g_script.state.axes[axis] : 0; }

bool ScriptedPadConnected() { return InputScriptHasController() && g_script.state.padConnected; }
}  // namespace automation
