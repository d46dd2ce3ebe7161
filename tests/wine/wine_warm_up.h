// Wine, like Windows, opens some handles once per process and keeps them: the predefined registry keys,
// the INI-file mapping key behind the profile functions, the service manager's connection, what the
// loader and process creation set up on first use; GoogleTest's per-thread state is made on first use too. Each of them would look like a leak to the handle
// fingerprint of the first case that happens to trigger it, so the harness triggers them all first.
#ifndef BASETDIC_TESTS_WINE_WINE_WARM_UP_H
#define BASETDIC_TESTS_WINE_WINE_WARM_UP_H

namespace winetest {

// Uses, once per process, every Windows facility the library uses. Later calls do nothing.
void WarmUpProcessOnce();

}  // namespace winetest

#endif
