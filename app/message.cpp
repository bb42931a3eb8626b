// The one message-box helper every report goes through.
#include "app/shell.h"

void showMessage(const char *text, const char *caption, UINT icon)
{
    askUser(text, caption, MB_OK | icon);
}

int askUser(const char *text, const char *caption, UINT flags)
{
    return MessageBoxA(nullptr, text, caption, flags);
}
