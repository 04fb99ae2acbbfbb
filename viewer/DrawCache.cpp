#include "viewer/DrawCache.h"

void DrawCache::draw(std::size_t index, Geometry& g)
{
    if (!mEnabled)
    {
        g.draw();
        return;
    }
    if (index >= mEntries.size())
        mEntries.resize(index + 1);
    Entry& e = mEntries[index];
    const bool stale = e.revision != g.revision() || (e.list == 0 && !e.direct);
    if (stale)
    {
        e.revision = g.revision();
        e.direct = false;
        if (e.list == 0)
            e.list = glGenLists(1);
        if (e.list != 0)
        {
            // Errors of earlier calls would be taken for this compile's (a few at most).
            for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i)
            {
            }
            glNewList(e.list, GL_COMPILE);
            g.draw();
            glEndList();
            // A driver out of memory leaves the list incomplete: draw this revision directly.
            if (glGetError() != GL_NO_ERROR)
            {
                glDeleteLists(e.list, 1);
                e.list = 0;
                e.direct = true;
            }
        }
        else
            e.direct = true;
    }
    if (e.direct)
        g.draw();
    else
        glCallList(e.list);
}

void DrawCache::forget(std::size_t index)
{
    if (index >= mEntries.size())
        return;
    if (mEntries[index].list != 0)
        glDeleteLists(mEntries[index].list, 1);
    mEntries[index] = Entry();
}
