#pragma once

#include "Util.h"
#include "Vector3.h"

#include <cmath>

// The viewer's fly-through camera: an eye that drifts under the acceleration the keys set,
// integrated once per frame, and a viewing direction held as two angles divided by pi
// (y: azimuth, 0 looks along +z and 1/2 along +x; z: polar angle from +y). No OpenGL.
class Camera
{
public:
    Camera(Vector3<float> v, float accScaling)
        : mCameraAngle(0.0f, 0.0f, 0.0f), mCameraPos(v), mCameraVel(0.0f, 0.0f, 0.0f),
          mCameraAcc(0.0f, 0.0f, 0.0f), mLastCameraPos(v), mAcc(accScaling)
    {
        lookAtOrigo();
    }

    // The unit viewing direction, computed in double and rounded once per component.
    Vector3<float> getLookAtVector() const
    {
        const double theta = PI * static_cast<double>(mCameraAngle[2]);
        const double phi = PI * static_cast<double>(mCameraAngle[1]);
        return Vector3<float>(static_cast<float>(std::sin(phi) * std::sin(theta)),
                              static_cast<float>(std::cos(theta)),
                              static_cast<float>(std::cos(phi) * std::sin(theta)));
    }
    // Horizontal, to the viewer's right; not normalised, so it fades as the view nears
    // straight up or down.
    Vector3<float> getSideVector() const
    {
        return cross(getLookAtVector(), Vector3<float>(0.0f, 1.0f, 0.0f));
    }
    Vector3<float> getUpVector() const { return cross(getSideVector(), getLookAtVector()); }
    Vector3<float> getLookAtPoint() const { return mCameraPos + getLookAtVector(); }
    const Vector3<float>& getPosition() const { return mCameraPos; }
    // True while the eye drifts or is being pushed.
    bool moving() const
    {
        const Vector3<float> zero(0.0f, 0.0f, 0.0f);
        return mCameraVel != zero || mCameraAcc != zero;
    }

    // Semi-implicit Euler: the position moves with the velocity just updated.
    void advect(float dt)
    {
        mLastCameraPos = mCameraPos;
        mCameraVel += mCameraAcc * dt;
        mCameraPos += mCameraVel * dt;
    }

    void accelerate(Vector3<float> v) { mCameraAcc += v * mAcc; }
    void rotateXY(float xr, float yr)
    {
        mCameraAngle[1] += xr;
        mCameraAngle[2] = clamp(mCameraAngle[2] + yr, 0.0001f, 0.9999f);
    }
    void stopAcc() { mCameraAcc = Vector3<float>(0.0f, 0.0f, 0.0f); }
    void stop()
    {
        mCameraVel = Vector3<float>(0.0f, 0.0f, 0.0f);
        mCameraAcc = Vector3<float>(0.0f, 0.0f, 0.0f);
    }
    void accUp() { accelerate(getUpVector()); }
    void accDown() { accelerate(-getUpVector()); }
    void accForward() { accelerate(getLookAtVector()); }
    void accBackward() { accelerate(-getLookAtVector()); }
    void accLeft() { accelerate(-getSideVector()); }
    void accRight() { accelerate(getSideVector()); }

    // Turns the view towards the world origin; position and motion are left alone.
    void lookAtOrigo() { lookAlong(-mCameraPos); }
    // Turns the view towards a point; position and motion are left alone.
    void lookAt(const Vector3<float>& target) { lookAlong(target - mCameraPos); }

    // The eye at a new place, at rest; the view keeps its direction.
    void placeAt(const Vector3<float>& eye)
    {
        stop();
        mCameraPos = eye;
        mLastCameraPos = eye;
    }

    // Orbit: turns the view as rotateXY does and moves the eye around the centre so that it
    // keeps its distance and looks at it.
    void orbit(const Vector3<float>& centre, float xr, float yr)
    {
        const float distance = (mCameraPos - centre).length();
        rotateXY(xr, yr);
        mCameraPos = centre - getLookAtVector() * distance;
    }

    // One wheel step: towards the centre (steps > 0) or away. Orbiting, the eye moves along
    // the line to the centre; flying, along the view, by the same share of the distance to
    // the centre. Each step in covers ZOOM_SHARE of that distance and a step out undoes one
    // in, so the eye never reaches or passes the centre.
    static constexpr float ZOOM_SHARE = 0.125f;
    void zoom(const Vector3<float>& centre, int steps, bool orbiting)
    {
        const Vector3<float> toEye = mCameraPos - centre;
        const float distance = toEye.length();
        const float factor =
            static_cast<float>(std::pow(1.0 - static_cast<double>(ZOOM_SHARE), steps));
        if (orbiting)
            mCameraPos = centre + toEye * factor;
        else
            mCameraPos += getLookAtVector() * (distance * (1.0f - factor));
    }

    // The home camera: at (2, 1, -0.1) looking at the origin, at rest, acceleration scale 0.5.
    static Camera home() { return Camera(Vector3<float>(2.0f, 1.0f, -0.1f), 0.5f); }
    void reset() { *this = home(); }

    // The eye jumps r along the viewing direction; velocity and acceleration stay.
    void dolly(float r) { mCameraPos += getLookAtVector() * r; }

private:
    // The view along d, computed as the home view towards the origin is.
    void lookAlong(const Vector3<float>& d)
    {
        const float r = d.length();
        // At the target there is no direction to look in, so the view stays as it is.
        if (!(r > 0.0f))
            return;
        const float theta = std::acos(clamp(d[1] / r, -1.0f, 1.0f));
        // Straight above or below the target the azimuth is undefined (0/0): keep it.
        float azimuth = mCameraAngle[1];
        if (d[0] != 0.0f || d[2] != 0.0f)
        {
            // A camera at x = 0 has d.x = -0, whose infinite quotient has the wrong sign
            // and would turn the view away from the origin; zero counts as +0.
            const float dx = d[0] == 0.0f ? 0.0f : d[0];
            const double s = dx < 0.0f ? -1.0 : 1.0;
            const float phi =
                static_cast<float>(s * PI / 2.0 - std::atan(static_cast<double>(d[2] / dx)));
            azimuth = static_cast<float>(static_cast<double>(phi) / PI);
        }
        mCameraAngle =
            Vector3<float>(1.0f, azimuth, static_cast<float>(static_cast<double>(theta) / PI));
    }

protected:
    static constexpr double PI = 3.14159265358979323846;

    Vector3<float> mCameraAngle;   // (1, azimuth / pi, polar angle / pi)
    Vector3<float> mCameraPos;     // eye position, world units
    Vector3<float> mCameraVel;     // world units per second
    Vector3<float> mCameraAcc;     // world units per second squared
    Vector3<float> mLastCameraPos; // eye position before the latest advect
    float mAcc;                    // scale of every key-driven acceleration
};
