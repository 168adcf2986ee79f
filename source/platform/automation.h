// Frame bookkeeping shared by the scene loop and the layer's automation:
// the number of scene frames begun since program start, scripted input that
// replaces the keyboard and the controller, and the recording of what the
// player did. The scene loop calls BeginSceneFrame before each frame.
//
// Input script format (also what a recording writes), one event per line:
//     FRAME NAME VALUE        # a comment may follow, or fill a whole line
// FRAME   the scene frame (0 = first frame of the program) from which on the
//         value holds; lines may come in any order, equal frames keep theirs.
// NAME    a key by its virtual-key name without "VK_" (RETURN, Z, X, LEFT,
//         SPACE, F1, NUMPAD0, ...; case-insensitive), or a controller input:
//         PAD.BUTTON0 ... PAD.BUTTON31 (the indices the game reads, in the
//         layout of platform/dinput/pad.h), PAD.X, PAD.Y, PAD.CONNECTED.
// VALUE   1 (down) or 0 (up) for keys and buttons; -6 ... 6 for PAD.X/PAD.Y
//         (the range the game sets on the controller's axes); 1 or 0 for
//         PAD.CONNECTED (while 0 the controller reads as unplugged).
// Before its first event every input is up, every axis reads 0 and the
// controller (if the script names any PAD input) is connected.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace automation {
// Index of the scene frame now running (0 for the first frame of the program).
std::uint64_t SceneFrame();
// Starts the next scene frame: applies the script's events of that frame and
// records the input changes seen since the last frame.
void BeginSceneFrame();
// For tests that run several scene loops in one process: frames count from 0
// again and a loaded script starts over from its beginning.
void ResetSceneFrames();

// The largest script read: a recording of hours of play stays far below it.
constexpr std::uint64_t kMaxScriptBytes = std::uint64_t{8} * 1024 * 1024;
// Reads and checks a whole script before anything runs. Only a regular file
// of at most kMaxScriptBytes is read (not a FIFO, not a device). On success the
// keyboard (GetKeyboardState, GetAsyncKeyState) and the DirectInput
// controller read the script instead of the real devices for the rest of the
// run; a script naming any PAD input makes a controller present from start-up.
// On failure nothing changes and *error (if given) says "FILE:LINE: reason".
bool LoadInputScript(const char* path, std::string* error);
// The same, from text in memory; sourceName stands for the file in messages.
bool LoadInputScriptText(std::string_view text, const char* sourceName, std::string* error);
// Drops a loaded script; the real devices are read again.
void UnloadInputScript();

// Writes every change of the input the game sees (the script's while one is
// loaded, else the real keyboard and the player's pad, unplugging and
// plugging in included) to path, in the script format, one line per change,
// flushed at the end of each frame.
// *error (if given) explains a file that cannot be created.
bool StartRecording(const char* path, std::string* error);
// Closes the recording (also done at program exit).
void StopRecording();

// State of a loaded script in the current frame, read by the layer.
bool InputScriptActive();
bool InputScriptHasController();
bool ScriptedKeyDown(int virtualKey);
constexpr int kScriptedPadButtons = 32;
bool ScriptedPadButtonDown(int button);
// Axis 0 is X, 1 is Y; -6 ... 6.
int ScriptedPadAxis(int axis);
bool ScriptedPadConnected();
}  // namespace automation
