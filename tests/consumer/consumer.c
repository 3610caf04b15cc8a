/* Links the installed import library and calls the exports in their documented order. */
#include <stdio.h>

#include <dttscsdk/dttscsdk.h>

int main(void) {
    /* Before any start, updating PATH is refused and the teardown is a no-op. */
    const bool updated = dtutUpdatePathForTSC();
    dtutUninitializeTSC();
    printf("update before start: %s\n", updated ? "true" : "false");
    return updated ? 1 : 0;
}
