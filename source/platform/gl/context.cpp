#include "platform/gl/context.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include "platform/gl/framebuffer.h"
#include "platform/gl/resident_libraries.h"
#include "platform/log/log.h"
#include "platform/gl/state_cache.h"
#include "platform/win32/window.h"

namespace gl {
namespace {
SDL_GLContext g_context = nullptr;
SDL_Window* g_window = nullptr;
int g_references = 0;
}  // namespace

bool CreateContext(SDL_Window* window) {
    if (g_context || !window) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        vlog::Error(vlog::Category::Video, "cannot create an OpenGL 3.3 core context: %s", vlog::SdlError().c_str());
        return false;
    }
    const int version = epoxy_gl_version();
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (version < 33) {
        vlog::Error(vlog::Category::Video, "OpenGL 3.3 is needed, but '%s' offers only %d.%d",
                    renderer ? renderer : "the driver", version / 10, version % 10);
        SDL_GL_DeleteContext(context);
        return false;
    }
    vlog::Debug(vlog::Category::Video, "OpenGL %d.%d on '%s'", version / 10, version % 10, renderer ? renderer : "?");
    KeepLoadedLibrariesResident();
    g_context = context;
    g_window = window;
    g_references = 1;
    Cache().Invalidate();
    return true;
}

bool HasContext() { return g_context != nullptr; }

SDL_Window* ContextWindow() { return g_window; }

void RetainContext() {
    if (g_context) ++g_references;
}

void ReleaseContext() {
    if (!g_context || --g_references > 0) return;
    ReleaseAllFramebuffers();
    SDL_GL_DeleteContext(g_context);
    g_context = nullptr;
    g_window = nullptr;
    win32::DestroyWindowsAwaitingContext();
}
}  // namespace gl
