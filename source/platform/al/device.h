// The one OpenAL device and context that sound effects and music share.
// Each user holds a reference; the device closes with the last one.
#pragma once

namespace al {
// Opens the default device on first use; false when there is none.
bool AcquireDevice();
void ReleaseDevice();
}  // namespace al
