#include "platform/al/device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include "platform/log/log.h"

namespace al {
namespace {
ALCdevice* g_device = nullptr;
ALCcontext* g_context = nullptr;
int g_users = 0;

// Music and several effects at once can add up past full scale. Where the
// library offers its output limiter, the device turns the whole mix down
// smoothly at such peaks instead of clipping them; it is asked for, as the
// library may leave it off for floating-point output. Elsewhere only the
// levels the sounds were made at keep the mix in range.
ALCcontext* CreateContext(ALCdevice* device) {
    if (alcIsExtensionPresent(device, "ALC_SOFT_output_limiter") != ALC_TRUE) {
        vlog::Debug(vlog::Category::Audio, "the audio device has no output limiter");
        return alcCreateContext(device, nullptr);
    }
    const ALCint attributes[] = {ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE, 0};
    return alcCreateContext(device, attributes);
}
}  // namespace

bool AcquireDevice() {
    if (g_users > 0) {
        ++g_users;
        return true;
    }
    g_device = alcOpenDevice(nullptr);
    if (!g_device) {
        vlog::Error(vlog::Category::Audio, "no audio device: OpenAL says '%s'",
                    alcGetString(nullptr, alcGetError(nullptr)));
        return false;
    }
    g_context = CreateContext(g_device);
    if (!g_context || !alcMakeContextCurrent(g_context)) {
        vlog::Error(vlog::Category::Audio, "cannot use the audio device '%s': OpenAL says '%s'",
                    alcGetString(g_device, ALC_DEVICE_SPECIFIER), alcGetString(g_device, alcGetError(g_device)));
        if (g_context) alcDestroyContext(g_context);
        alcCloseDevice(g_device);
        g_context = nullptr;
        g_device = nullptr;
        return false;
    }
    g_users = 1;
    vlog::Debug(vlog::Category::Audio, "audio device '%s'", alcGetString(g_device, ALC_DEVICE_SPECIFIER));
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
