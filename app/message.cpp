// The one message-box helper every report goes through.
#include "app/main_window.h"

void showMessage(const char *text, const char *caption, UINT icon)
{
    MessageBoxA(nullptr, text, caption, MB_OK | icon);
}
