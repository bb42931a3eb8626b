// Paths as model files name their textures and libraries, taken apart and joined the way Windows reads them:
// '\' and '/' both separate folders, "C:" starts an absolute path. Platform-free: nothing here looks at a disk.
#pragma once
#include <string>

// The folder part of a path with its last separator ("models\knight\" of "models\knight\tris.md2"), "C:" for
// "C:tris.md2", or "" for a bare file name.
std::string folderOfPath(const std::string &path);

// What follows the folder part: the file name alone.
std::string fileNameOfPath(const std::string &path);

// A path that names its place without a folder to start from: a leading separator or a drive letter.
bool isAbsolutePath(const std::string &path);

// The name taken from the folder (which ends with a separator or is empty); an absolute name stays as it is.
std::string joinPath(const std::string &folder, const std::string &name);

// The same path with every '/' turned into '\', as the program and its messages show paths.
std::string withBackslashes(std::string path);

// Whether the path ends with the extension (".pcx"), ignoring the case of ASCII letters.
bool hasExtension(const std::string &path, const char *extension);
