// Play/Pause, the frame trackbar and the sequence list under the viewport, and their link to the animation.
#include "app/animation_controls.h"

#include <commctrl.h>

#include <string>

#include "plugins/model_state.h"
#include "resources/resource.h"
#include "shell/frame_clock.h"
#include "shell/frame_pacer.h"
#include "shell/wide_paths.h"
#include "shell/window_helpers.h"
#include "viewport/animation.h"
#include "viewport/viewport.h"

// The model whose sequences the controls show, and the frame the trackbar shows.
static uint32_t shownGeneration = UINT32_MAX;
static int shownTrackbarFrame = -1;

static HWND control(int id)
{
    return GetDlgItem(mainWindow, id);
}

void createAnimationControls(HWND window)
{
    const RECT view = childRectInClient(window, viewportWindow);
    const int dpi = windowDpi(window);
    auto px = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    const LONG top = view.bottom + px(4), bottom = top + px(24);
    const RECT play = {view.left, top, view.left + px(64), bottom};
    // "Frame" at the row's end, shown for every model; the animation's controls before it.
    const RECT frame = {view.right - px(56), top, view.right, bottom};
    const RECT sequence = {frame.left - px(4) - px(140), top, frame.left - px(4), top + px(240)}; // list dropped
    const RECT trackbar = {play.right + px(4), top, sequence.left - px(4), bottom};
    createControl(window, L"BUTTON", L"Play", WS_TABSTOP | BS_PUSHBUTTON, IDC_PLAY, play);
    createControl(window, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, IDC_FRAME_TRACKBAR, trackbar);
    createControl(window, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, IDC_SEQUENCE, sequence);
    createControl(window, L"BUTTON", L"Frame", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDC_FRAME_VIEW, frame);
}

static void showAnimationControls(bool show)
{
    for (int id : {IDC_PLAY, IDC_FRAME_TRACKBAR, IDC_SEQUENCE})
        ShowWindow(control(id), show ? SW_SHOW : SW_HIDE);
}

static void showTrackbarFrame(int frame)
{
    if (frame == shownTrackbarFrame)
        return;
    shownTrackbarFrame = frame;
    SendMessageW(control(IDC_FRAME_TRACKBAR), TBM_SETPOS, TRUE, frame);
}

// The trackbar spans the chosen sequence's frames.
static void showSequenceRange()
{
    const FrameSequence *s = chosenSequence(animation);
    if (!s)
        return;
    SendMessageW(control(IDC_FRAME_TRACKBAR), TBM_SETRANGEMIN, FALSE, s->first);
    SendMessageW(control(IDC_FRAME_TRACKBAR), TBM_SETRANGEMAX, TRUE, s->first + s->count - 1);
    shownTrackbarFrame = -1;
    showTrackbarFrame(static_cast<int>(animation.frame));
}

static void fillSequenceList()
{
    HWND list = control(IDC_SEQUENCE);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const FrameSequence &s : animation.sequences)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widePath(s.name.c_str()).c_str()));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}

void followAnimation()
{
    if (modelState.generation != shownGeneration) {
        shownGeneration = modelState.generation;
        resetAnimation(animation, modelState.modelReady ? modelState.frameCount : 0, modelState.frameNames);
        SetDlgItemTextW(mainWindow, IDC_PLAY, L"Play");
        fillSequenceList();
        showSequenceRange();
        showAnimationControls(animationAvailable(animation));
        return;
    }
    if (animation.playing)
        showTrackbarFrame(static_cast<int>(animation.frame));
}

void playPauseCommand()
{
    playAnimation(animation, !animation.playing, nowMicros());
    SetDlgItemTextW(mainWindow, IDC_PLAY, animation.playing ? L"Pause" : L"Play");
    requestViewportFrame();
}

void sequenceCommand()
{
    const LRESULT chosen = SendMessageW(control(IDC_SEQUENCE), CB_GETCURSEL, 0, 0);
    if (chosen < 0 || static_cast<size_t>(chosen) == animation.sequence)
        return;
    chooseAnimationSequence(animation, static_cast<size_t>(chosen));
    animation.lastMicros = nowMicros();
    showSequenceRange();
    requestViewportFrame();
}

void frameTrackbarCommand()
{
    const int frame = static_cast<int>(SendMessageW(control(IDC_FRAME_TRACKBAR), TBM_GETPOS, 0, 0));
    setAnimationFrame(animation, frame, nowMicros());
    shownTrackbarFrame = frame;
    requestViewportFrame();
}
