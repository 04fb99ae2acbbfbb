#include "SupportCode/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using V3 = Vector3<float>;

class CameraProbe : public Camera
{
public:
    CameraProbe() : Camera(home()) {}
    using Camera::mAcc, Camera::mCameraAcc, Camera::mCameraAngle, Camera::mCameraPos,
        Camera::mCameraVel, Camera::mLastCameraPos;
};

const V3 HOME(2.0f, 1.0f, -0.1f), ZERO(0.0f, 0.0f, 0.0f);

::testing::AssertionResult near(const V3& a, const V3& b, float tol)
{
    return (a - b).length() <= tol
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure() << a << " is not within " << tol << " of " << b;
}
} // namespace

TEST(Camera, HomeAndLookAtOrigoAimAtTheOriginAndMoveNothing)
{
    CameraProbe cam;
    EXPECT_EQ(cam.mAcc, 0.5f);
    EXPECT_TRUE(near(cam.mCameraAngle, V3(1.0f, -0.4841f, 0.6474f), 1e-4f));
    EXPECT_TRUE(near(cam.getLookAtVector(), V3(-0.894f, -0.447f, 0.045f), 1e-3f));
    // Every sign of x and z, on the axes (x = 0 included), above and below.
    for (const V3& p : {V3(3, 1, 2), V3(-3, 1, 2), V3(3, -1, -2), V3(-3, 2, -2), V3(0, 1, 5),
                        V3(0, 1, -5), V3(4, 0, 0), V3(-4, 0, 0), V3(0.5f, 7, 0.1f)})
    {
        cam.mCameraPos = p;
        cam.mCameraVel = V3(1, 2, 3);
        cam.lookAtOrigo();
        EXPECT_TRUE(near(cam.getLookAtVector(), -p * (1.0f / p.length()), 1e-5f)) << p;
        EXPECT_TRUE(cam.mCameraPos == p && cam.mCameraVel == V3(1, 2, 3)) << p;
    }
    // Straight above the origin the azimuth is undefined and kept; at the origin the whole
    // direction is, and nothing changes.
    cam.mCameraPos = V3(0, 5, 0);
    cam.mCameraAngle[1] = 0.3f;
    cam.lookAtOrigo();
    EXPECT_EQ(cam.mCameraAngle, V3(1.0f, 0.3f, 1.0f));
    cam.mCameraPos = ZERO;
    cam.lookAtOrigo();
    EXPECT_EQ(cam.mCameraAngle, V3(1.0f, 0.3f, 1.0f));
}

TEST(Camera, AccelerationsAddUpAndAdvectIsSemiImplicit)
{
    CameraProbe cam;
    for (int i = 0; i < 3; i++)
        cam.accForward();
    EXPECT_TRUE(near(cam.mCameraAcc, cam.getLookAtVector() * 1.5f, 1e-6f));
    cam.advect(0.5f);
    EXPECT_EQ(cam.mLastCameraPos, HOME);
    EXPECT_EQ(cam.mCameraVel, cam.mCameraAcc * 0.5f);
    EXPECT_EQ(cam.mCameraPos, HOME + cam.mCameraVel * 0.5f) << "moves with the new velocity";

    // Releasing a key clears the acceleration only: the camera drifts on.
    const V3 velocity = cam.mCameraVel, before = cam.mCameraPos;
    cam.stopAcc();
    cam.advect(2.0f);
    EXPECT_TRUE(cam.mCameraAcc == ZERO && cam.mCameraVel == velocity);
    EXPECT_TRUE(near(cam.mCameraPos - before, velocity * 2.0f, 1e-6f));
    cam.stop();
    EXPECT_FALSE(cam.moving());
    for (void (Camera::*key)() : {&Camera::accLeft, &Camera::accUp, &Camera::accBackward,
                                  &Camera::accRight, &Camera::accDown, &Camera::accForward})
        (cam.*key)();
    EXPECT_TRUE(near(cam.mCameraAcc, ZERO, 1e-7f)) << "opposite directions cancel";

    // Level along +z: right is -x, up is +y. Tilted, the side vector stays horizontal and
    // both shrink to sin(theta).
    cam.mCameraAngle = V3(1.0f, 0.0f, 0.5f);
    EXPECT_TRUE(near(cam.getUpVector(), V3(0, 1, 0), 1e-7f));
    cam.accRight();
    EXPECT_TRUE(near(cam.mCameraAcc, V3(-0.5f, 0, 0), 1e-7f));
    cam.mCameraAngle = V3(1.0f, 0.3f, 0.1f);
    const V3 look = cam.getLookAtVector(), side = cam.getSideVector(), up = cam.getUpVector();
    const float sinTheta = float(std::sin(0.1 * 3.14159265358979323846));
    EXPECT_EQ(side[1], 0.0f);
    EXPECT_NEAR(side.length(), sinTheta, 1e-6f);
    EXPECT_NEAR(up.length(), sinTheta, 1e-6f);
    EXPECT_NEAR(up * look, 0.0f, 1e-6f);
    EXPECT_GT(up[1], 0.0f);
    EXPECT_EQ(cam.getLookAtPoint(), cam.mCameraPos + look);
}

TEST(Camera, RotateDollyAndReset)
{
    CameraProbe cam;
    const V3 look = cam.getLookAtVector();
    const float azimuth = cam.mCameraAngle[1];
    cam.rotateXY(4.0f, -5.0f); // two full turns, not wrapped; polar angle clamped
    EXPECT_FLOAT_EQ(cam.mCameraAngle[1], azimuth + 4.0f);
    EXPECT_EQ(cam.mCameraAngle[2], 0.0001f);
    cam.rotateXY(0.0f, 5.0f);
    EXPECT_EQ(cam.mCameraAngle[2], 0.9999f);
    EXPECT_GT(cam.getLookAtVector()[1], -1.0f) << "never exactly vertical";
    cam.rotateXY(0.0f, 0.6474f - 0.9999f);
    EXPECT_TRUE(near(cam.getLookAtVector(), look, 1e-4f));

    cam.mCameraVel = V3(0.1f, 0.2f, 0.3f);
    cam.accForward();
    const V3 acc = cam.mCameraAcc;
    cam.dolly(0.1f);
    EXPECT_TRUE(near(cam.mCameraPos, HOME + cam.getLookAtVector() * 0.1f, 1e-7f));
    cam.dolly(-0.1f);
    EXPECT_TRUE(near(cam.mCameraPos, HOME, 1e-6f));
    EXPECT_TRUE(cam.mCameraVel == V3(0.1f, 0.2f, 0.3f) && cam.mCameraAcc == acc);

    cam.advect(1.0f);
    cam.mAcc = 3.0f;
    cam.reset();
    EXPECT_TRUE(cam.mCameraPos == HOME && cam.mLastCameraPos == HOME && cam.mAcc == 0.5f);
    EXPECT_EQ(cam.mCameraAngle, CameraProbe().mCameraAngle);
    EXPECT_FALSE(cam.moving());
}

TEST(Camera, OrbitAndWheelStepsKeepToTheCentre)
{
    const V3 centre(0.5f, 0.2f, -0.3f);
    CameraProbe cam;
    cam.lookAt(centre);
    const float distance = (cam.getPosition() - centre).length();
    cam.orbit(centre, 0.3f, -0.1f);
    EXPECT_NEAR((cam.getPosition() - centre).length(), distance, 1e-5f);
    EXPECT_TRUE(near(cam.getLookAtPoint(),
                     cam.getPosition() + (centre - cam.getPosition()) * (1.0f / distance), 1e-5f));
    // Half a turn of azimuth at the horizon puts the eye opposite, mirrored through the centre.
    cam.placeAt(centre + V3(0.0f, 0.0f, -2.0f));
    cam.lookAt(centre);
    cam.orbit(centre, 1.0f, 0.0f);
    EXPECT_TRUE(near(cam.getPosition(), centre + V3(0.0f, 0.0f, 2.0f), 1e-5f));
    // Wheel steps take a share of the distance and never reach the centre.
    const V3 target(0.0f, 0.5f, 0.0f);
    for (const bool orbiting : {true, false})
    {
        CameraProbe wheel;
        wheel.lookAt(target);
        const V3 start = wheel.getPosition();
        const float d = (start - target).length();
        wheel.zoom(target, 1, orbiting);
        EXPECT_NEAR((wheel.getPosition() - target).length(), d * (1.0f - Camera::ZOOM_SHARE), 1e-5f)
            << orbiting;
        wheel.zoom(target, -1, orbiting);
        EXPECT_TRUE(near(wheel.getPosition(), start, 1e-5f)) << orbiting;
        for (int i = 0; i < 60; ++i)
            wheel.zoom(target, 1, orbiting);
        const V3 toEye = wheel.getPosition() - target, from = start - target;
        EXPECT_NEAR(toEye.length(), d * std::pow(1.0f - Camera::ZOOM_SHARE, 60.0f), 1e-4f);
        EXPECT_GT(toEye * from, 0.0f) << "still on the side it started from";
    }
    // Flying, a step goes along the view even when it does not face the centre.
    CameraProbe flying;
    const V3 look = flying.getLookAtVector();
    flying.zoom(V3(5.0f, 0.0f, 5.0f), 1, false);
    EXPECT_TRUE(near(cross(flying.getPosition() - HOME, look), ZERO, 1e-5f));
    EXPECT_FALSE(flying.moving());
}
