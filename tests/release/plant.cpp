// A library that stands for one planted beside a program: loading it works
// wherever it is looked for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
