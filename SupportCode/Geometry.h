#pragma once

#include "SupportCode/Matrix4x4.h"

// Anything the viewer can draw. The scene list owns Geometry pointers and deletes them
// through the virtual destructor.
class Geometry
{
public:
    Geometry() = default;
    virtual ~Geometry() = default;

    // Loads mTransform as the model-view matrix (replacing it) between a push and a pop.
    virtual void draw() = 0;

    void setTransform(const Matrix4x4<float>& t) { mTransform = t; }
    Matrix4x4<float>& getTransform() { return mTransform; }
    const Matrix4x4<float>& getTransform() const { return mTransform; }

protected:
    Matrix4x4<float> mTransform; // model transform; identity at construction
};
