#pragma once

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <cstddef>
#include <vector>

// Keeps each scene object's drawing as an OpenGL display list: compiled from its draw()
// once, replayed every frame until the object's revision says that something draw reads
// has changed. Turned off, every frame calls draw() directly.
class DrawCache
{
public:
    explicit DrawCache(bool enabled = true) : mEnabled(enabled) {}
    DrawCache(const DrawCache&) = delete;
    DrawCache& operator=(const DrawCache&) = delete;

    void setEnabled(bool enabled) { mEnabled = enabled; }
    bool enabled() const { return mEnabled; }

    // Draws object number index of the scene, g.
    void draw(std::size_t index, Geometry& g);
    // Another object takes the place of number index: its drawing is compiled anew.
    void forget(std::size_t index);

private:
    struct Entry
    {
        GLuint list = 0; // 0: none compiled
        unsigned long revision = 0;
        bool direct = false; // the list could not be made at this revision: draw directly
    };

    bool mEnabled;
    std::vector<Entry> mEntries; // by scene index
};
