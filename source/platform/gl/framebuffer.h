// Framebuffer objects for pairs of colour texture and depth-stencil
// renderbuffer, made on first use and kept until either attachment goes.
#pragma once
#include <epoxy/gl.h>

namespace gl {

// Returns a complete framebuffer for the pair (either may be 0), or 0 when
// GL refuses the combination.
GLuint FramebufferFor(GLuint colorTexture, GLuint depthRenderbuffer);
// Deletes the framebuffers that use the attachment.
void ForgetColorAttachment(GLuint colorTexture);
void ForgetDepthAttachment(GLuint depthRenderbuffer);
// Deletes all (before the context goes).
void ReleaseAllFramebuffers();

}  // namespace gl
