// Gives a copied image the file version a test asks for. The stand-in drivers are built once; a scenario
// needs them as older, newer or unversioned copies, so the copy's resources are rewritten through the
// Windows resource-update functions and the image still loads as a driver afterwards.
#ifndef BASETDIC_TESTS_WINE_WINE_VERSION_STAMP_H
#define BASETDIC_TESTS_WINE_WINE_VERSION_STAMP_H

#include <string>

namespace winetest {

// Replaces every resource of the image at path with one VERSIONINFO whose "FileVersion" string (table
// 040904e4) is version and whose fixed file version holds the numbers in that text. An empty version
// leaves the image without any resource, so it has no file version at all. False on failure, with the
// failing call and its error in *error.
bool StampFileVersion(const std::string& path, const std::string& version, std::string* error);

// Copies source to destination (replacing it) and stamps the copy.
bool CopyWithFileVersion(const std::string& source, const std::string& destination, const std::string& version,
                         std::string* error);

}  // namespace winetest

#endif
