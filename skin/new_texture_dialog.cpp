// The "New Texture" dialog: the sides of a new white texture.
#include "skin/new_texture_dialog.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "resources/resource.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "texture/skin_store.h"

namespace {

struct ChosenSize {
    int32_t width;
    int32_t height;
};

const char *const listedSides[] = {"64", "128", "256", "512", "1024", "2048"};

void fillSideBox(HWND dialog, int id, int32_t current)
{
    HWND box = GetDlgItem(dialog, id);
    for (const char *side : listedSides)
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(side));
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(current));
    SetWindowTextA(box, text);
}

bool readSideBox(HWND dialog, int id, int32_t &side)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return readTextureSide(text, side);
}

INT_PTR CALLBACK newTextureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        fillSideBox(dialog, IDC_NEW_WIDTH, skinWidth);
        fillSideBox(dialog, IDC_NEW_HEIGHT, skinHeight);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ChosenSize *chosen = reinterpret_cast<ChosenSize *>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (!readSideBox(dialog, IDC_NEW_WIDTH, chosen->width) ||
                !readSideBox(dialog, IDC_NEW_HEIGHT, chosen->height)) {
                const std::string text = "Width and height must be whole numbers from " +
                                         std::to_string(TEXTURE_MIN_SIDE) + " to " + std::to_string(TEXTURE_MAX_SIDE);
                askUserOwnedBy(dialog, text.c_str(), "New Texture", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool askNewTextureSize(int32_t &width, int32_t &height)
{
    ChosenSize chosen = {skinWidth, skinHeight};
    INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_NEW_TEXTURE), mainWindow, newTextureDialogProc,
                                     reinterpret_cast<LPARAM>(&chosen));
    if (result != IDOK)
        return false;
    width = chosen.width;
    height = chosen.height;
    return true;
}
