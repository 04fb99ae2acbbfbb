#pragma once

#include "Vector3.h"

#include <vector>

// Turns a value in [low, high] into a colour on the ramp red - black - blue, or each
// component of a vector into one colour channel. Built anew for every draw call.
class ColorMap
{
public:
    ColorMap();

    Vector3<float> map(float val, float low, float high) const;
    Vector3<float> map(Vector3<float> vec, float low, float high) const;

protected:
    std::vector<Vector3<float>> colors; // the table: red, black, blue
};
