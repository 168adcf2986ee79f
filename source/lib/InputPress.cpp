#include "lib/InputPress.h"

#include <cstring>

void MarkKeyChanges(BYTE keys[256], BYTE snapshot[256]) {
    for (int vk = 0; vk < 256; ++vk)
        if ((keys[vk] & INPUT_DOWN) != (snapshot[vk] & INPUT_DOWN)) keys[vk] |= INPUT_CHANGED;
    std::memcpy(snapshot, keys, 256);
}
