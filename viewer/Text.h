#pragma once

#include <string>

// Text over the scene, at the current raster position. In a window GLUT's bitmap fonts;
// without one (pictures rendered off screen, where GLUT has no window) a small built-in
// 5 x 7 pixel font, which needs no GLUT at all.
namespace Text
{
void useBuiltInFont(bool on);
bool builtInFont();
// The panels' font (Helvetica 12 in a window).
int width(const std::string& s);
void draw(const std::string& s);
// The axis letters' font (Helvetica 18 in a window).
void drawLarge(char c);
} // namespace Text
