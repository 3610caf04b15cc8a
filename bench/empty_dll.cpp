// A DLL with nothing in it: its loads and unloads show what the platform's loader itself costs
// and keeps, apart from anything dttscsdk.dll does.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
