#pragma once

// The arithmetic of the viewer's frame counter and mouse handling, kept free of OpenGL and
// GLUT so that it can be tested without a window.

#include "Vector3.h"

#include <array>
#include <cstdio>
#include <string>

namespace ViewerMath
{
// Seconds of frame-clock time between two updates of the FPS figure.
constexpr float FPS_INTERVAL = 0.5f;

// Called once per frame with the frame-clock reading. Once more than half a second has
// passed since the last update, the figure becomes twice the frames counted since then
// (whatever the actual length of the interval) and counting starts again. Returns true
// when the figure was updated.
inline bool updateFPS(float timestamp, float& timeSinceLastFPS, unsigned int& frameCounter,
                      float& currentFPS)
{
    if (!(timestamp - timeSinceLastFPS > FPS_INTERVAL))
        return false;
    timeSinceLastFPS = timestamp;
    currentFPS = 2.0f * static_cast<float>(frameCounter);
    frameCounter = 0;
    return true;
}

// Red below 20 frames per second, yellow below 50, green from 50 on.
inline Vector3<float> fpsColour(float fps)
{
    if (fps < 20.0f)
        return Vector3<float>(0.7f, 0.0f, 0.0f);
    if (fps < 50.0f)
        return Vector3<float>(0.7f, 0.7f, 0.0f);
    return Vector3<float>(0.0f, 0.5f, 0.0f);
}

// "FPS: " and the figure without decimals; the figure is cut to 9 characters.
inline std::string fpsText(float fps)
{
    char number[64]; // room for every float in full: about 40 digits at most
    std::snprintf(number, sizeof(number), "%.0f", static_cast<double>(fps));
    std::string figure(number);
    if (figure.size() > 9)
        figure.resize(9);
    return "FPS: " + figure;
}

using MousePosition = std::array<int, 2>; // x from the left, y from the bottom edge

// No sample taken yet; a sample that happens to equal it starts afresh.
constexpr MousePosition NO_MOUSE_SAMPLE = {-1, -1};

// Takes a mouse sample at GLUT's (mouseX, mouseY), whose y counts from the top edge.
inline void takeMouseSample(int mouseX, int mouseY, unsigned int windowHeight, MousePosition& pos,
                            MousePosition& oldPos)
{
    const MousePosition sample = {mouseX, static_cast<int>(windowHeight) - mouseY};
    oldPos = pos == NO_MOUSE_SAMPLE ? sample : pos;
    pos = sample;
}

// Maps a pixel position onto a 4 x 3 rectangle spanning the window. A window without
// width or height maps everything to 0, so a drag there turns nothing instead of turning
// the camera by an infinite or undefined angle.
inline void mouseScreenCoordinates(int mouseX, int mouseY, unsigned int windowWidth,
                                   unsigned int windowHeight, float& x, float& y)
{
    x = windowWidth == 0 ? 0.0f
                         : static_cast<float>(mouseX) / static_cast<float>(windowWidth) * 4.0f;
    y = windowHeight == 0 ? 0.0f
                          : static_cast<float>(mouseY) / static_cast<float>(windowHeight) * 3.0f;
}
} // namespace ViewerMath
