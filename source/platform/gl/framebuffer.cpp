#include "platform/gl/framebuffer.h"

#include <map>
#include <utility>

#include "platform/gl/state_cache.h"
#include "platform/log/log.h"

namespace gl {
namespace {
std::map<std::pair<GLuint, GLuint>, GLuint>& Framebuffers() {
    static std::map<std::pair<GLuint, GLuint>, GLuint> framebuffers;
    return framebuffers;
}

template <typename Predicate>
void DeleteWhere(Predicate matches) {
    auto& framebuffers = Framebuffers();
    for (auto it = framebuffers.begin(); it != framebuffers.end();) {
        if (matches(it->first)) {
            Cache().ForgetFramebuffer(it->second);
            glDeleteFramebuffers(1, &it->second);
            it = framebuffers.erase(it);
        } else {
            ++it;
        }
    }
}
}  // namespace

GLuint FramebufferFor(GLuint colorTexture, GLuint depthRenderbuffer) {
    const auto key = std::make_pair(colorTexture, depthRenderbuffer);
    auto& framebuffers = Framebuffers();
    auto found = framebuffers.find(key);
    if (found != framebuffers.end()) return found->second;

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    Cache().BindFramebuffer(framebuffer);
    if (colorTexture) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    } else {
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
    }
    if (depthRenderbuffer)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer);
    if (const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER); status != GL_FRAMEBUFFER_COMPLETE) {
        vlog::Error(vlog::Category::Video, "render target incomplete (GL status 0x%04X)",
                    static_cast<unsigned>(status));
        Cache().BindFramebuffer(0);
        Cache().ForgetFramebuffer(framebuffer);
        glDeleteFramebuffers(1, &framebuffer);
        return 0;
    }
    framebuffers[key] = framebuffer;
    return framebuffer;
}

void ForgetColorAttachment(GLuint colorTexture) {
    DeleteWhere([&](const std::pair<GLuint, GLuint>& key) { return key.first == colorTexture; });
}

void ForgetDepthAttachment(GLuint depthRenderbuffer) {
    DeleteWhere([&](const std::pair<GLuint, GLuint>& key) { return key.second == depthRenderbuffer; });
}

void ReleaseAllFramebuffers() {
    DeleteWhere([](const std::pair<GLuint, GLuint>&) { return true; });
}

}  // namespace gl
