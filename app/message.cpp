// The one message-box helper every report goes through.
#include "app/shell.h"

void showMessage(const char *text, const char *caption, UINT icon)
{
    MessageBoxA(nullptr, text, caption, MB_OK | icon);
}
