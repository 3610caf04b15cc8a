#include "entry/module_state.h"

// Declared in this order so that unloading destroys the manager first, then the folder.
bool tscInitialized = false;
std::wstring tscPath;
// NOLINTNEXTLINE(cert-err58-cpp): made at load with its wrapper object; only memory can fail
TscComponentManager tscManager;
