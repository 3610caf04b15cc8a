// The state the three exports share. Plain and unsynchronized: the host calls the exports
// from one thread, one at a time.
#pragma once

#include <string>

#include "entry/tsc_component_manager.h"

// The session step of dtutInitializeTSC succeeded, so a teardown is owed.
extern bool tscInitialized;
// The folder handed out by the last successful dtutInitializeTSC.
extern std::wstring tscPath;
extern TscComponentManager tscManager;
