/* Pelterine model plugin contract: the C exports a plugin DLL provides, and the texture-coordinate table.
 *
 * A plugin is a DLL in the plugins\ folder under Pelterine's working folder. Pelterine finds the exports by
 * name (GetProcAddress) and calls them on its one thread, one at a time, with the C calling convention.
 * sk_load and sk_draw are required; sk_getinfo, sk_gettexcoord, sk_freetexcoordtab and sk_info are optional,
 * and the program warns when one of those four is missing; sk_loaderror, sk_filefilter, sk_texturefile and the
 * exports declared further down are optional without a warning.
 * Results marked "ignored" are never read.
 *
 * Pelterine is a 64-bit (x86-64) Windows program: the DLL must be a 64-bit Windows DLL (x86_64-w64-mingw32-gcc,
 * or MSVC's x64 tools); a 32-bit one cannot be loaded into it.
 */
#ifndef PELTERINE_PLUGIN_API_H
#define PELTERINE_PLUGIN_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* One triangle of the model in texture space: three corners in the plugin's order, each pointing to two
 * consecutive floats, u then v. u runs from 0 (left edge of the texture) to 1 (right edge); v from 0 (the
 * texture's bottom row, the first row OpenGL receives) to 1 (its top row). */
typedef struct TexCoordTriangle {
    const float *corner[3];
} TexCoordTriangle;

/* A plugin built with PELTERINE_PLUGIN_BUILD defined marks its functions SK_EXPORT; the names must come
 * out undecorated (check with objdump -p or dumpbin /exports, or plugincheck.exe; a .def file makes sure).
 * docs/plugins.md has the whole contract, and sdk/example a complete plugin. */
#if defined(_WIN32) && defined(PELTERINE_PLUGIN_BUILD)
#define SK_EXPORT __declspec(dllexport)
#else
#define SK_EXPORT
#endif

/* Loads the model file (path as the user gave it). A later call replaces the model. Result ignored. */
typedef int (*SkLoadFn)(const char *path);
/* Draws the model with OpenGL 1.1, the skin texture bound. Leave the matrix mode and texture binding as found. */
typedef int (*SkDrawFn)(void);
/* Reports the triangle count and whether the model has texture coordinates (non-zero: yes). */
typedef int (*SkGetInfoFn)(int *triangleCount, int *hasTexCoords);
/* Returns the table: an array of triangleCount pointers to TexCoordTriangle, owned by the plugin and valid
 * until sk_freetexcoordtab releases it. The program reads the first triangleCount entries, never writes. */
typedef TexCoordTriangle **(*SkGetTexCoordFn)(void);
/* Releases a table returned by sk_gettexcoord; called once per table, also for a count of 0 or less;
 * the pointer is the one sk_gettexcoord returned, null included, so a plugin must accept null. */
typedef int (*SkFreeTexCoordTabFn)(int triangleCount, TexCoordTriangle **table);
/* A NUL-terminated description for the Plugins dialog; copied at once. May be called without sk_load. */
typedef const char *(*SkInfoFn)(void);
/* The model files the plugin reads, for the "..." chooser: pairs of a display text and its patterns, each
 * NUL-terminated, the list ending with an extra NUL, as the common file dialogs take them:
 * "Wavefront OBJ (*.obj)\0*.obj\0" (a C literal adds the last NUL). Patterns are separated by ';'. The program
 * adds "All files (*.*)" after them. Read each time the chooser opens; may be called without sk_load. A list
 * longer than 2048 bytes, or not of non-empty pairs, is not used. Without this export the chooser offers
 * "Vantrel Morvane (*.vmr)" alone. */
typedef const char *(*SkFileFilterFn)(void);
/* The picture the model is painted with, asked right after a successful sk_load: a path, absolute or relative
 * to the folder of the model file as sk_load was given it ("skins/knight.png", "C:\\art\\knight.pcx"), or
 * null or an empty text when the model names none. Name only a file that exists (a missing one is skipped).
 * The program copies the text at once and reads at most 1024 bytes of it, so a path must end, NUL included,
 * within them; a longer one is not used. After a load that failed, or before any, return null or an empty
 * text. */
typedef const char *(*SkTextureFileFn)(void);
/* Why the last sk_load refused its file, asked right after every sk_load: null or an empty text when the model
 * loaded, otherwise the reason in plain words with the line or record to blame ("line 12: vertex index 40 is
 * out of range"). The program copies it at once (at most 1024 bytes, NUL included) and shows it itself with the
 * model's path as caption; a plugin shows no message box of its own. Without this export every sk_load counts
 * as a success. */
typedef const char *(*SkLoadErrorFn)(void);

/* The exports, declared for the plugin's own build: extern "C" and exported, so that a C++ plugin gets the
 * plain names the program looks up, and a misspelt name or a wrong signature is a compile error. */
#if defined(PELTERINE_PLUGIN_BUILD)
SK_EXPORT int sk_load(const char *path);
SK_EXPORT const char *sk_loaderror(void);
SK_EXPORT int sk_draw(void);
SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords);
SK_EXPORT TexCoordTriangle **sk_gettexcoord(void);
SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **table);
SK_EXPORT const char *sk_info(void);
SK_EXPORT const char *sk_filefilter(void);
SK_EXPORT const char *sk_texturefile(void);
#endif

/* Models that move, and pictures held inside a model file: optional, without a warning. */
/* How many poses (frames) the loaded model has; 1 or less for a still model, or when none is loaded. */
typedef int (*SkFrameCountFn)(void);
/* The pose sk_draw draws from now on: frame 0 to sk_framecount() - 1; a fraction between two frames is their
 * linear blend (2.25: a quarter of the way from frame 2 to frame 3). Values outside the frames are clamped.
 * Frame 0 after each sk_load. Called whenever the pose on show changes, for a model of more than one frame. */
typedef void (*SkSetFrameFn)(float frame);
/* A frame's name ("run3"), NUL-terminated, or null or "" for none; copied at once, at most 64 bytes with the
 * NUL (a longer name is cut). Frames of one sequence share a name up to a closing number ("run1" .. "run6"). */
typedef const char *(*SkFrameNameFn)(int frame);
/* The picture the model is painted with when the model file holds it itself (a picture embedded in a glTF
 * file): sets *data to its bytes as a picture file holds them (PNG, JPEG, BMP, TGA, ...) and *size to their
 * count, and returns non-zero; returns 0 with *data null when there is none. Asked after sk_texturefile named no
 * picture. The program copies the bytes at once (at most its picture file limit) and decodes them as a file. */
typedef int (*SkTextureBytesFn)(const unsigned char **data, int *size);

/* Where the model stands and what it is painted with: optional, without a warning. */
/* Where the model file's own origin lies in the coordinates sk_draw draws with, after the plugin placed the model
 * for the view: writes x, y, z into origin[0..2] and returns non-zero; returns 0 when it cannot say. Asked right
 * after each accepted sk_load. Mirror on the model mirrors across the plane x = origin[0], the file's x = 0;
 * without this export, across the drawn x = 0. */
typedef int (*SkFileOriginFn)(float *origin);
/* How many pictures the loaded model's materials name (*pictures), and the share of its faces, from 0 to 1, painted
 * with the one sk_texturefile names (*share); returns non-zero when it says. Asked right after sk_texturefile. The
 * program paints one picture: for a model of several it tells the user which, and how much of the model it covers. */
typedef int (*SkPictureUseFn)(int *pictures, float *share);

#if defined(PELTERINE_PLUGIN_BUILD)
SK_EXPORT int sk_fileorigin(float *origin);
SK_EXPORT int sk_pictureuse(int *pictures, float *share);
SK_EXPORT int sk_framecount(void);
SK_EXPORT void sk_setframe(float frame);
SK_EXPORT const char *sk_framename(int frame);
SK_EXPORT int sk_texturebytes(const unsigned char **data, int *size);
#endif

#ifdef __cplusplus
}
#endif

#endif
