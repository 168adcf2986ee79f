// Press (edge) and hold tests shared by every reader of the keyboard and the
// controller: the player, the title, the result screen, the ranking.
#pragma once
#include "platform/win32/wintypes.h"

// Down bit of GetKeyboardState entries and of controller button bytes.
constexpr BYTE INPUT_DOWN = 0x80;
// Mark set on a key-state entry whose down bit changed since the snapshot.
constexpr BYTE INPUT_CHANGED = 0x08;

// Marks in keys every entry whose down bit differs from the snapshot's, then
// copies keys (marks included) over the snapshot. Toggle bits are ignored.
void MarkKeyChanges(BYTE keys[256], BYTE snapshot[256]);
// A key pressed in this frame: down and changed.
inline bool KeyPressed(const BYTE keys[256], int virtualKey) {
    return (keys[virtualKey] & (INPUT_DOWN | INPUT_CHANGED)) == (INPUT_DOWN | INPUT_CHANGED);
}
// Controller axis pushed to an end of its -6 ... +6 range.
inline bool AxisPushedLow(LONG axis) { return axis < -5; }
inline bool AxisPushedHigh(LONG axis) { return axis > 5; }
// Press latch: true in the frame the input goes down while the latch is
// clear (and sets it); an input seen up clears the latch.
inline bool LatchPress(bool down, BYTE* latch) {
    if (!down) {
        *latch = 0;
        return false;
    }
    if (*latch) return false;
    *latch = 1;
    return true;
}
