/*
 * dttscsdk: ties the host application to the shared-components folder of its release.
 *
 * Call order: dtutInitializeTSC once at start-up, dtutUpdatePathForTSC after it succeeded,
 * dtutUninitializeTSC at the end. All three must be called from one thread and must not overlap.
 * dtutInitializeTSC may be called again after dtutUninitializeTSC.
 */
#ifndef DTTSCSDK_DTTSCSDK_H
#define DTTSCSDK_DTTSCSDK_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(DTTSCSDK_STATIC) || defined(DTTSCSDK_BUILDING)
#define DTTSCSDK_API
#else
#define DTTSCSDK_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the installer-service session and resolves, locks and remembers the shared-components
 * folder. True when the folder was resolved. */
DTTSCSDK_API bool dtutInitializeTSC(void);

/* Puts the resolved folder in front of PATH, once. False when not initialized or PATH is empty. */
DTTSCSDK_API bool dtutUpdatePathForTSC(void);

/* Unlocks the folder, closes the session and unloads the installer-service library. */
DTTSCSDK_API void dtutUninitializeTSC(void);

#ifdef __cplusplus
}
#endif

#endif /* DTTSCSDK_DTTSCSDK_H */
