#pragma once

#include <string>
#include <vector>

// Pictures of the window: the pixels of the frame just drawn, written as PNG by libpng.
namespace Screenshot
{
// The RGB pixels of the current read buffer, rows from the bottom up as OpenGL gives them.
std::vector<unsigned char> readPixels(int width, int height);
// Writes bottom-up RGB rows as an 8-bit RGB PNG. False, with why, when it cannot.
bool writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& bottomUpRgb, std::string& why);
// dir/meshviewer-NNN.png (the working directory when dir is empty), the first number from 1
// not yet taken.
std::string nextFreeName(const std::string& dir);
} // namespace Screenshot
