#pragma once

#include <string>

// An OpenGL context without any display: EGL on Mesa's surfaceless platform, drawing into a
// pbuffer of the given size (the same software rasteriser as a window of a virtual X
// server, so the pixels agree). For pictures on machines without an X server.
namespace Offscreen
{
// Makes the context current; false, with why, when it cannot.
bool open(int width, int height, std::string& why);
} // namespace Offscreen
