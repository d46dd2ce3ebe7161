// Registry data as a person reads it: texts quoted, lists comma-separated, numbers in hex and decimal,
// anything else as hex bytes; byte counts shown wherever the bytes are not what the type suggests.
#ifndef BASETDIC_HOST_VALUE_TEXT_H
#define BASETDIC_HOST_VALUE_TEXT_H

#include <windows.h>

#include <string>
#include <vector>

namespace host {

std::string RegistryDataText(DWORD type, const std::string& data);

// A text quoted, with control and non-ASCII bytes written as \xNN and quotes and backslashes kept.
std::string QuotedText(const std::string& text);

// The items of a REG_MULTI_SZ list; false when the bytes are not a well-formed list.
bool SplitMultiText(const std::string& data, std::vector<std::string>* items);

std::string HexBytes(const std::string& data);  // "hex" encoding without separators, for JSON

}  // namespace host

#endif
