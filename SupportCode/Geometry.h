#pragma once

#include "Matrix4x4.h"

// Anything the viewer can draw. The scene list owns Geometry pointers and deletes them
// through the virtual destructor.
class Geometry
{
public:
    Geometry() = default;
    virtual ~Geometry() = default;

    // Loads mTransform as the model-view matrix (replacing it) between a push and a pop.
    virtual void draw() = 0;

    void setTransform(const Matrix4x4<float>& t)
    {
        mTransform = t;
        changed();
    }
    // The reference may be written through, so it counts as a change.
    Matrix4x4<float>& getTransform()
    {
        changed();
        return mTransform;
    }
    const Matrix4x4<float>& getTransform() const { return mTransform; }

    // Grows with every change to what draw reads, so a drawing kept from an earlier
    // revision is known to be stale.
    unsigned long revision() const { return mRevision; }

protected:
    // Called by every operation that changes what draw reads.
    void changed() { ++mRevision; }

    Matrix4x4<float> mTransform; // model transform; identity at construction

private:
    unsigned long mRevision = 0;
};
