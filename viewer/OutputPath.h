#pragma once

#include <string>
#include <vector>

// Names on the command line and the pictures of key i are meant relative to the directory
// the user ran the command in. run.sh starts the viewer in the project root (where keys 1
// and 2 find Objs/) and passes that directory in MV_CALLER_DIR.
namespace OutputPath
{
// $MV_CALLER_DIR, or empty: the working directory is the caller's.
std::string callerDir();
// name as seen from dir: unchanged when absolute, empty, or dir is empty.
std::string resolve(const std::string& name, const std::string& dir);
// The last part of a path, without its extension: what --screenshot-dir names its pictures.
std::string stem(const std::string& path);
// The picture names of --screenshot-dir, one per file: NAME.png, and NAME-2.png, NAME-3.png
// ... for files whose names repeat one before, so that no picture overwrites another.
std::vector<std::string> pictureNames(const std::vector<std::string>& files);
} // namespace OutputPath
