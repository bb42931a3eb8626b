// Which picture a loaded model is painted with: the plugin's text copied within its bound, and the paths to try,
// taken from the model's path the way Windows reads paths ('\' and '/' both separate folders, "C:" starts an
// absolute path). Platform-free: nothing here looks at a disk.
#pragma once
#include <cstddef>
#include <string>
#include <vector>


// The folder part of a path with its last separator ("models\knight\" of "models\knight\tris.md2"), "C:" for
// "C:tris.md2", or "" for a bare file name.
std::string folderOfModel(const std::string &modelPath);

// The name taken from the folder (which ends with a separator or is empty); an absolute name stays as it is.
std::string joinToFolder(const std::string &folder, const std::string &name);

// The pictures to try for a model, in order; the first that exists is its texture. The one the plugin named
// (relative to the model's folder, or absolute) when it named one; otherwise the model file's own name without
// its extension, in its folder, as .png, .tga, .bmp, .pcx, .jpg and .jpeg. None for a path without a file name.
std::vector<std::string> modelTextureCandidates(const std::string &modelPath, const std::string &namedTexture);

// Where a picture the model file holds is proposed to be saved, having no file of its own: the model file's name
// without its extension and with "_basecolor.png", in the model's folder ("models\box.glb" gives
// "models\box_basecolor.png").
std::string embeddedTextureSavePath(const std::string &modelPath);

// What the user is told once after loading a model whose materials name several pictures, since one is painted:
// "spider.obj uses 5 pictures; Pelterine paints drkwood2.jpg, used by 38 % of its faces" (file names without their
// folders; the share, from 0 to 1, in whole percent, never 0 % or 100 % when it is neither). "" for fewer than two
// pictures, no picture named, or a share that is no number.
std::string pictureUseNote(const std::string &modelPath, const std::string &picturePath, int pictures, float share);
