#include "SupportCode/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
class CameraProbe : public Camera
{
public:
    explicit CameraProbe(const Camera& c) : Camera(c) {}
    CameraProbe(Vector3<float> v, float accScaling) : Camera(v, accScaling) {}
    using Camera::mAcc;
    using Camera::mCameraAcc;
    using Camera::mCameraAngle;
    using Camera::mCameraPos;
    using Camera::mCameraVel;
    using Camera::mLastCameraPos;
};

const Vector3<float> HOME(2.0f, 1.0f, -0.1f);
const Vector3<float> ZERO(0.0f, 0.0f, 0.0f);

void expectNear(const Vector3<float>& a, const Vector3<float>& b, float tol)
{
    EXPECT_NEAR(a[0], b[0], tol);
    EXPECT_NEAR(a[1], b[1], tol);
    EXPECT_NEAR(a[2], b[2], tol);
}

float dot(const Vector3<float>& a, const Vector3<float>& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
} // namespace

TEST(Camera, HomeCameraLooksAtTheOrigin)
{
    CameraProbe cam(Camera::home());
    EXPECT_EQ(cam.mCameraPos, HOME);
    EXPECT_EQ(cam.mLastCameraPos, HOME);
    EXPECT_EQ(cam.mCameraVel, ZERO);
    EXPECT_EQ(cam.mCameraAcc, ZERO);
    EXPECT_EQ(cam.mAcc, 0.5f);
    EXPECT_EQ(cam.mCameraAngle[0], 1.0f);
    EXPECT_NEAR(cam.mCameraAngle[1], -0.4841f, 1e-4f);
    EXPECT_NEAR(cam.mCameraAngle[2], 0.6474f, 1e-4f);

    const Vector3<float> l = cam.getLookAtVector();
    expectNear(l, Vector3<float>(-0.894f, -0.447f, 0.045f), 1e-3f);
    EXPECT_NEAR(l.length(), 1.0f, 1e-6f);
    // The ray from the eye along l passes through the origin.
    expectNear(cross(l, -HOME), ZERO, 1e-5f);
    EXPECT_GT(dot(l, -HOME), 0.0f);
}

TEST(Camera, LookAtOrigoOnTheHomeCameraChangesNothing)
{
    CameraProbe cam(Camera::home());
    const Vector3<float> before = cam.mCameraAngle;
    cam.lookAtOrigo();
    EXPECT_EQ(cam.mCameraAngle, before);
}

TEST(Camera, LookAtOrigoAimsAtTheOriginFromEverySide)
{
    // One position per sign of x and z, on the axes, and above and below the plane.
    const Vector3<float> positions[] = {{3, 1, 2},   {-3, 1, 2}, {3, -1, -2},
                                        {-3, 2, -2}, {0, 1, 5},  {0, 1, -5},
                                        {4, 0, 0},   {-4, 0, 0}, {0.5f, 7, 0.1f}};
    for (const Vector3<float>& p : positions)
    {
        SCOPED_TRACE(testing::Message() << p);
        CameraProbe cam(Camera::home());
        cam.mCameraPos = p;
        cam.mCameraVel = Vector3<float>(1, 2, 3);
        cam.lookAtOrigo();
        Vector3<float> towardsOrigin = -p;
        towardsOrigin.normalize();
        expectNear(cam.getLookAtVector(), towardsOrigin, 1e-5f);
        EXPECT_EQ(cam.mCameraPos, p);
        EXPECT_EQ(cam.mCameraVel, Vector3<float>(1, 2, 3));
    }
}

TEST(Camera, LookAtOrigoWithoutADirectionKeepsWhatIsUndefined)
{
    // At the origin nothing changes; constructing there leaves the angles zero.
    CameraProbe atOrigin(ZERO, 0.5f);
    EXPECT_EQ(atOrigin.mCameraAngle, ZERO);
    atOrigin.mCameraAngle = Vector3<float>(1.0f, 0.25f, 0.5f);
    atOrigin.lookAtOrigo();
    EXPECT_EQ(atOrigin.mCameraAngle, Vector3<float>(1.0f, 0.25f, 0.5f));

    // Straight above it the view turns straight down and keeps its azimuth.
    CameraProbe above(Camera::home());
    above.mCameraPos = Vector3<float>(0.0f, 5.0f, 0.0f);
    above.mCameraAngle[1] = 0.3f;
    above.lookAtOrigo();
    EXPECT_EQ(above.mCameraAngle[1], 0.3f);
    EXPECT_EQ(above.mCameraAngle[2], 1.0f);
    expectNear(above.getLookAtVector(), Vector3<float>(0.0f, -1.0f, 0.0f), 1e-6f);
}

TEST(Camera, AdvectIsSemiImplicitEuler)
{
    CameraProbe cam(Camera::home());
    cam.mCameraAcc = Vector3<float>(1.0f, 0.0f, -2.0f);
    cam.advect(0.5f);
    EXPECT_EQ(cam.mLastCameraPos, HOME);
    EXPECT_EQ(cam.mCameraVel, Vector3<float>(0.5f, 0.0f, -1.0f));
    // The position moves with the velocity just updated.
    EXPECT_EQ(cam.mCameraPos, HOME + Vector3<float>(0.25f, 0.0f, -0.5f));

    const Vector3<float> previous = cam.mCameraPos;
    cam.advect(0.0f);
    EXPECT_EQ(cam.mCameraPos, previous);
    EXPECT_EQ(cam.mLastCameraPos, previous);
}

TEST(Camera, AccelerationsAddUpUntilCleared)
{
    CameraProbe cam(Camera::home());
    const Vector3<float> l = cam.getLookAtVector();
    cam.accForward();
    cam.accForward();
    cam.accForward();
    expectNear(cam.mCameraAcc, l * 1.5f, 1e-6f);

    // Forward and backward, left and right, up and down cancel.
    CameraProbe other(Camera::home());
    other.accLeft();
    other.accRight();
    other.accUp();
    other.accDown();
    other.accForward();
    other.accBackward();
    expectNear(other.mCameraAcc, ZERO, 1e-7f);

    // Clearing the acceleration keeps the camera drifting at the same speed.
    cam.advect(1.0f);
    const Vector3<float> velocity = cam.mCameraVel;
    cam.stopAcc();
    EXPECT_EQ(cam.mCameraAcc, ZERO);
    EXPECT_EQ(cam.mCameraVel, velocity);
    const Vector3<float> before = cam.mCameraPos;
    cam.advect(2.0f);
    expectNear(cam.mCameraPos - before, velocity * 2.0f, 1e-6f);

    cam.stop();
    EXPECT_EQ(cam.mCameraVel, ZERO);
    EXPECT_EQ(cam.mCameraAcc, ZERO);
}

TEST(Camera, SideAndUpVectorsFollowTheView)
{
    // Looking level along +z: right is -x, up is +y.
    CameraProbe cam(Camera::home());
    cam.mCameraAngle = Vector3<float>(1.0f, 0.0f, 0.5f);
    expectNear(cam.getLookAtVector(), Vector3<float>(0, 0, 1), 1e-7f);
    expectNear(cam.getSideVector(), Vector3<float>(-1, 0, 0), 1e-7f);
    expectNear(cam.getUpVector(), Vector3<float>(0, 1, 0), 1e-7f);
    cam.accRight();
    expectNear(cam.mCameraAcc, Vector3<float>(-0.5f, 0, 0), 1e-7f);

    // Tilted, the side vector stays horizontal and both shrink to sin(theta).
    cam.mCameraAngle = Vector3<float>(1.0f, 0.3f, 0.1f);
    const float sinTheta = static_cast<float>(std::sin(0.1 * 3.14159265358979323846));
    EXPECT_EQ(cam.getSideVector()[1], 0.0f);
    EXPECT_NEAR(cam.getSideVector().length(), sinTheta, 1e-6f);
    EXPECT_NEAR(cam.getUpVector().length(), sinTheta, 1e-6f);
    EXPECT_NEAR(dot(cam.getUpVector(), cam.getLookAtVector()), 0.0f, 1e-6f);
    EXPECT_NEAR(dot(cam.getUpVector(), cam.getSideVector()), 0.0f, 1e-6f);
    EXPECT_GT(cam.getUpVector()[1], 0.0f);
    expectNear(cam.getLookAtPoint(), cam.mCameraPos + cam.getLookAtVector(), 0.0f);
}

TEST(Camera, RotateXYClampsThePolarAngleOnly)
{
    CameraProbe cam(Camera::home());
    const float azimuth = cam.mCameraAngle[1];
    cam.rotateXY(0.25f, -5.0f);
    EXPECT_EQ(cam.mCameraAngle[1], azimuth + 0.25f);
    EXPECT_EQ(cam.mCameraAngle[2], 0.0001f);
    cam.rotateXY(0.0f, 5.0f);
    EXPECT_EQ(cam.mCameraAngle[2], 0.9999f);
    // Never exactly vertical after a turn.
    EXPECT_LT(cam.getLookAtVector()[1], 0.0f);
    EXPECT_GT(cam.getLookAtVector()[1], -1.0f);
    cam.rotateXY(0.0f, -0.4999f);
    EXPECT_FLOAT_EQ(cam.mCameraAngle[2], 0.5f);

    // The azimuth is not wrapped: two full turns are 4.
    CameraProbe turning(Camera::home());
    const Vector3<float> before = turning.getLookAtVector();
    turning.rotateXY(4.0f, 0.0f);
    EXPECT_FLOAT_EQ(turning.mCameraAngle[1], azimuth + 4.0f);
    expectNear(turning.getLookAtVector(), before, 1e-5f);
    EXPECT_EQ(turning.mCameraPos, HOME);
}

TEST(Camera, DollyMovesAlongTheViewAndBack)
{
    CameraProbe cam(Camera::home());
    cam.mCameraVel = Vector3<float>(0.1f, 0.2f, 0.3f);
    cam.accForward();
    const Vector3<float> acc = cam.mCameraAcc;
    cam.dolly(0.1f);
    expectNear(cam.mCameraPos, HOME + cam.getLookAtVector() * 0.1f, 1e-7f);
    cam.dolly(-0.1f);
    expectNear(cam.mCameraPos, HOME, 1e-6f);
    EXPECT_EQ(cam.mCameraVel, Vector3<float>(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(cam.mCameraAcc, acc);
}

TEST(Camera, ResetRestoresTheWholeHomeCamera)
{
    CameraProbe cam(Vector3<float>(5.0f, 5.0f, 5.0f), 3.0f);
    cam.accForward();
    cam.advect(1.0f);
    cam.rotateXY(0.3f, 0.2f);
    EXPECT_TRUE(cam.moving());
    cam.reset();
    const CameraProbe home(Camera::home());
    EXPECT_EQ(cam.mCameraPos, home.mCameraPos);
    EXPECT_EQ(cam.mLastCameraPos, home.mLastCameraPos);
    EXPECT_EQ(cam.mCameraVel, ZERO);
    EXPECT_EQ(cam.mCameraAcc, ZERO);
    EXPECT_EQ(cam.mCameraAngle, home.mCameraAngle);
    EXPECT_EQ(cam.mAcc, 0.5f);
    EXPECT_FALSE(cam.moving());
    EXPECT_EQ(cam.getPosition(), HOME);
}
