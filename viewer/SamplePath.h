#pragma once

#include <string>

// Where the loading keys find their sample meshes: the working directory's own Objs/ as
// always, else the copy an installed viewer carries in its data folder
// (PREFIX/share/meshviewer, found from the program's own path, so the tree can be moved).
namespace SamplePath
{
// PREFIX/share/meshviewer for a program at PREFIX/bin/..., or empty when unknown.
std::string installedDataDir();
// relative ("Objs/triangle.obj") when it exists under the working directory or when no
// installed copy does; else the installed copy. dataDir overrides the installed folder.
std::string resolve(const std::string& relative, const std::string& dataDir = installedDataDir());
} // namespace SamplePath
