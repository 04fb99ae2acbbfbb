#pragma once

#include <GL/gl.h>

#include <cstdio>
#include <sys/resource.h>
#include <sys/time.h>

// Counts frames for a number of seconds after a second of warm-up that starts with the
// first frame (which may compile drawings and shaders), then prints one line: the frame
// rate, the processor time of the whole process (every thread, the renderer's own
// included) and of the calling thread, which issues the drawing, and the page faults, all
// per frame; then which OpenGL drew them. Shared by the viewer's --benchmark and the
// vertex-buffer program, so both count alike.
class FrameBenchmark
{
public:
    explicit FrameBenchmark(double seconds = 0.0) : mSeconds(seconds) {}

    bool on() const { return mSeconds > 0.0; }

    // Called after each frame is swapped; true once the line is printed.
    bool frameDone()
    {
        if (!on())
            return false;
        const Sample now = sample();
        if (mFrames < 0)
        {
            if (!mWarming)
            {
                mWarming = true;
                mStart = now;
            }
            else if (now.wall - mStart.wall >= 1.0)
            {
                mFrames = 0;
                mStart = now;
            }
            return false;
        }
        ++mFrames;
        const double t = now.wall - mStart.wall;
        if (t < mSeconds)
            return false;
        const double frames = static_cast<double>(mFrames);
        std::printf("%.1f fps (%ld frames in %.1f s; a frame: %.1f ms of processor time, "
                    "%.1f ms of it in the drawing thread, %.0f page faults)\n",
                    frames / t, mFrames, t, 1000.0 * (now.cpu - mStart.cpu) / frames,
                    1000.0 * (now.threadCpu - mStart.threadCpu) / frames,
                    static_cast<double>(now.faults - mStart.faults) / frames);
        std::printf("renderer: %s, OpenGL %s\n", glText(GL_RENDERER), glText(GL_VERSION));
        std::fflush(stdout);
        return true;
    }

private:
    struct Sample
    {
        double wall = 0.0;
        double cpu = 0.0;
        double threadCpu = 0.0;
        long faults = 0;
    };

    static double secondsOf(const timeval& t)
    {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    }

    static Sample sample()
    {
        Sample s;
        timeval now{};
        gettimeofday(&now, nullptr);
        s.wall = secondsOf(now);
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        s.cpu = secondsOf(u.ru_utime) + secondsOf(u.ru_stime);
        s.faults = u.ru_minflt + u.ru_majflt;
#ifdef RUSAGE_THREAD
        getrusage(RUSAGE_THREAD, &u);
        s.threadCpu = secondsOf(u.ru_utime) + secondsOf(u.ru_stime);
#endif
        return s;
    }

    static const char* glText(GLenum name)
    {
        const GLubyte* s = glGetString(name);
        return s != nullptr ? reinterpret_cast<const char*>(s) : "unknown";
    }

    double mSeconds;
    bool mWarming = false;
    long mFrames = -1; // -1 during the warm-up
    Sample mStart;
};
