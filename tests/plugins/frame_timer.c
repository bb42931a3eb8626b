/* frame_timer.dll: test plugin that hands every call on to a shipped plugin and logs the time of each draw, so
 * that frames can be timed with the real plugins drawing the real models (bench/e2e_bench.py).
 *
 * The plugin called is "timed\<extension>.dll" under the current folder, chosen by the extension of each loaded
 * path: "box.obj" goes to timed\obj.dll, "_test_boite_tex.vmr" to timed\vmr.dll. Every sk_draw appends
 *   frame us=<microseconds> texture=<name bound>
 * to "frame_times.log" in the current folder (performance-counter time; a pick pass draws with a texture other
 * than the skin's). */
#include <windows.h>
#include <GL/gl.h>

#include <stdio.h>
#include <string.h>

#include "plugin-api/plugin_api.h"

static HMODULE timed;
static SkLoadFn timedLoad;
static SkDrawFn timedDraw;
static SkGetInfoFn timedGetInfo;
static SkGetTexCoordFn timedGetTexCoord;
static SkFreeTexCoordTabFn timedFreeTexCoordTab;
static SkFrameCountFn timedFrameCount;
static SkSetFrameFn timedSetFrame;
static SkFrameNameFn timedFrameName;
static FILE *times;

/* Through void (*)(void), which any function pointer may be cast to and from without a warning. */
static void (*find(const char *name))(void)
{
    return timed ? (void (*)(void))(void *)GetProcAddress(timed, name) : NULL;
}

/* The plugin for this path's extension, loaded once and kept. */
static void chooseTimed(const char *path)
{
    char name[MAX_PATH];
    const char *dot = path ? strrchr(path, '.') : NULL;
    HMODULE library;
    if (!dot || strlen(dot) > 16)
        return;
    snprintf(name, sizeof name, "timed\\%s.dll", dot + 1);
    library = LoadLibraryA(name);
    if (!library || library == timed)
        return;
    timed = library;
    timedLoad = (SkLoadFn)find("sk_load");
    timedDraw = (SkDrawFn)find("sk_draw");
    timedGetInfo = (SkGetInfoFn)find("sk_getinfo");
    timedGetTexCoord = (SkGetTexCoordFn)find("sk_gettexcoord");
    timedFreeTexCoordTab = (SkFreeTexCoordTabFn)find("sk_freetexcoordtab");
    timedFrameCount = (SkFrameCountFn)find("sk_framecount");
    timedSetFrame = (SkSetFrameFn)find("sk_setframe");
    timedFrameName = (SkFrameNameFn)find("sk_framename");
}

SK_EXPORT int sk_load(const char *path)
{
    chooseTimed(path);
    return timedLoad ? timedLoad(path) : 0;
}

SK_EXPORT int sk_draw(void)
{
    LARGE_INTEGER now, frequency;
    GLint texture = 0;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    if (!times)
        times = fopen("frame_times.log", "a");
    if (times) {
        fprintf(times, "frame us=%lld texture=%d\n", (long long)(now.QuadPart * 1000000.0 / frequency.QuadPart),
                (int)texture);
        fflush(times);
    }
    return timedDraw ? timedDraw() : 0;
}

SK_EXPORT int sk_getinfo(int *count, int *hasTexCoords)
{
    return timedGetInfo ? timedGetInfo(count, hasTexCoords) : 0;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    return timedGetTexCoord ? timedGetTexCoord() : NULL;
}

SK_EXPORT int sk_freetexcoordtab(int count, TexCoordTriangle **table)
{
    return timedFreeTexCoordTab ? timedFreeTexCoordTab(count, table) : 0;
}

/* The frames of a model that moves, handed on too, so a playing model can be timed. */
SK_EXPORT int sk_framecount(void)
{
    return timedFrameCount ? timedFrameCount() : 0;
}

SK_EXPORT void sk_setframe(float frame)
{
    if (timedSetFrame)
        timedSetFrame(frame);
}

SK_EXPORT const char *sk_framename(int frame)
{
    return timedFrameName ? timedFrameName(frame) : NULL;
}

SK_EXPORT const char *sk_info(void)
{
    return "Frame timer: hands every call on to timed\\<extension>.dll and logs the time of each draw.";
}
