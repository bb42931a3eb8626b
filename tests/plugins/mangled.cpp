// mangled.dll: a test plugin built as C++ without extern "C", as a plugin author might: its exports come out
// with decorated names ("_Z7sk_loadPKc"), which the program does not find. It does not include the contract
// header, whose prototypes would make this mistake a compile error.
#include <windows.h>

__declspec(dllexport) int sk_load(const char *)
{
    return 1;
}

__declspec(dllexport) int sk_draw()
{
    return 1;
}
