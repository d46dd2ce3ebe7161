// The file-name patterns of FindFirstFileA, matched as Windows matches them. Windows rewrites a search
// pattern into its DOS wildcard form before the file system sees it, which is why "*.*" also finds names
// without a dot, "*." finds only those, and "?" stands for "no character" at a dot or at the end.
#ifndef WINSIM_DOS_WILDCARDS_H
#define WINSIM_DOS_WILDCARDS_H

#include <string>

namespace winsim::detail {

// The DOS expression for a pattern as the caller wrote it (last path component, trailing dots and
// blanks included): "*.*" becomes "*"; '?' becomes '>'; a '.' before '?' or '*' becomes '"'; a '*'
// before a '.' becomes '<', and so does a final '*' when the pattern ended in a dot.
std::string DosExpression(const std::string& pattern);

// Whether a directory entry's name matches a DOS expression, without regard to the case of ASCII
// letters. ".." is matched as ".", as the file systems do.
bool MatchesDosExpression(const std::string& expression, const std::string& name);

}  // namespace winsim::detail

#endif
