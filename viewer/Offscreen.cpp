#include "viewer/Offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstring>

bool Offscreen::open(int width, int height, std::string& why)
{
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (extensions == nullptr ||
        std::strstr(extensions, "EGL_MESA_platform_surfaceless") == nullptr ||
        getPlatformDisplay == nullptr)
    {
        why = "EGL has no surfaceless platform (Debian: libegl-mesa0)";
        return false;
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE)
    {
        why = "EGL cannot open the surfaceless platform (Debian: libgl1-mesa-dri)";
        return false;
    }
    // What GLUT asks of a window: 8 bits a channel and a depth buffer.
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 24,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (eglChooseConfig(display, attributes, &config, 1, &configs) != EGL_TRUE || configs < 1)
    {
        why = "EGL offers no off-screen surface with a depth buffer";
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE)
    {
        why = "EGL cannot make an off-screen surface for OpenGL";
        return false;
    }
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT || eglMakeCurrent(display, surface, surface, context) != EGL_TRUE)
    {
        why = "EGL cannot make an OpenGL context";
        return false;
    }
    return true;
}
