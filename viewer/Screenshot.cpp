#include "viewer/Screenshot.h"

#include "viewer/OutputPath.h"

#include <GL/gl.h>

#include <cstdio>
#include <png.h>
#include <sys/stat.h>

std::vector<unsigned char> Screenshot::readPixels(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * 3 * height);
    if (rgb.empty())
        return rgb;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

bool Screenshot::writePng(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& bottomUpRgb, std::string& why)
{
    if (width <= 0 || height <= 0 ||
        bottomUpRgb.size() != static_cast<std::size_t>(width) * 3 * height)
    {
        why = "the window has no pixels";
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative stride reads the rows from the last one up: the PNG's top row first.
    const png_int_32 stride = -static_cast<png_int_32>(width) * 3;
    if (png_image_write_to_file(&image, path.c_str(), 0, bottomUpRgb.data(), stride, nullptr) == 0)
    {
        why = image.message[0] != '\0' ? image.message : "cannot write the file";
        png_image_free(&image);
        std::remove(path.c_str());
        return false;
    }
    return true;
}

std::string Screenshot::nextFreeName(const std::string& dir)
{
    for (unsigned long n = 1;; ++n)
    {
        char name[40];
        std::snprintf(name, sizeof name, "meshviewer-%03lu.png", n);
        struct stat st;
        const std::string path = OutputPath::resolve(name, dir);
        if (lstat(path.c_str(), &st) != 0)
            return path;
    }
}
