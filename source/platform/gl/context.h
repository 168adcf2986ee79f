// The one GL context of the program, kept alive by counted references: the
// device holds one, and so does every GL object the layer hands out
// (surfaces, textures, meshes, effects), so objects released after the
// device (as the game's shutdown order does) still delete on a live context.
#pragma once

struct SDL_Window;

namespace gl {
// Creates the context on the window, holding the first reference.
bool CreateContext(SDL_Window* window);
bool HasContext();
void RetainContext();
// The last release deletes the context and destroys the windows whose
// destruction waited for it.
void ReleaseContext();
SDL_Window* ContextWindow();
}  // namespace gl
