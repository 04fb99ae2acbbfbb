#pragma once

#include <GL/gl.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// The fixed OpenGL state the viewer draws with: sky-blue background, light 0 with colour
// material and a little specular, depth test and back-face culling. The viewer sets it once
// when its window opens, and the vertex-buffer benchmark program sets the same, so that
// both light and shade alike.
inline void setDrawState()
{
    glClearColor(0.53515625f, 0.75390625f, 0.9609375f, 0.0f);
    glEnable(GL_NORMALIZE);
    const GLfloat specular[] = {0.5f, 0.5f, 0.5f, 0.5f};
    const GLfloat shininess[] = {10.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
}

// Mesa's software renderer allocates and frees megabytes every frame (the binned triangles
// of the frame, in small blocks). By default the C library hands the freed top of the heap
// back to the kernel, and the next frame takes it again as thousands of page faults; kept
// in the heap, it is reused.
inline void keepFreedMemory()
{
#ifdef __GLIBC__
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}
