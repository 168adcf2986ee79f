#include "platform/al/device.h"

#include <AL/al.h>
#include <AL/alc.h>

namespace al {
namespace {
ALCdevice* g_device = nullptr;
ALCcontext* g_context = nullptr;
int g_users = 0;
}  // namespace

bool AcquireDevice() {
    if (g_users > 0) {
        ++g_users;
        return true;
    }
    g_device = alcOpenDevice(nullptr);
    if (!g_device) return false;
    g_context = alcCreateContext(g_device, nullptr);
    if (!g_context || !alcMakeContextCurrent(g_context)) {
        if (g_context) alcDestroyContext(g_context);
        alcCloseDevice(g_device);
        g_context = nullptr;
        g_device = nullptr;
        return false;
    }
    g_users = 1;
    return true;
}

void ReleaseDevice() {
    if (g_users == 0 || --g_users > 0) return;
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(g_context);
    alcCloseDevice(g_device);
    g_context = nullptr;
    g_device = nullptr;
}
}  // namespace al
