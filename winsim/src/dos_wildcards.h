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

// The 8.3 name the file system gives an entry whose own name is not one: up to six characters of the
// base (blanks, dots and characters an 8.3 name cannot hold dropped or replaced), "~1", and up to
// three of the extension, upper-cased ("gamma.sysx" -> "GAMMA~1.SYS"). Empty for a name that already
// is a legal 8.3 name, in whatever case.
std::string ShortNameOf(const std::string& name);

// Whether a directory entry matches a DOS expression, by its own name or by its 8.3 name, without regard
// to the case of ASCII letters. This is why "*.sys" also finds "gamma.sysx". ".." is matched as ".".
bool MatchesDosExpression(const std::string& expression, const std::string& name);

}  // namespace winsim::detail

#endif
