// Everything the product can leave on a machine, and its removal. Under Wine one prefix serves a whole
// run, so each scenario's machine is made "fresh" by removing this footprint before and after the case:
// the driver services (stopped first), their registry keys, the product's own key, the installed
// drivers, the trace switch and trace file, and any network-configuration tool still running.
#ifndef BASETDIC_TESTS_WINE_WINE_FOOTPRINT_H
#define BASETDIC_TESTS_WINE_WINE_FOOTPRINT_H

#include <string>
#include <vector>

namespace winetest {

// Removes the footprint. Returns a description of every part that could not be removed (empty: clean).
std::vector<std::string> RemoveProductFootprint();

// The trace file the library writes for this program: its own path with ".baseTdic.txt" appended.
std::string TraceFilePath();

}  // namespace winetest

#endif
