// The hidden launch of the network-configuration tool ("snetcfg.exe" among the setup files) that installs
// and uninstalls the driver as a network component on NT 6.x.
#ifndef BASETDIC_STEPS_NET_CFG_TOOL_H
#define BASETDIC_STEPS_NET_CFG_TOOL_H

namespace basetdic {

// How long the caller's thread waits for the tool; a tool still running then is left running.
constexpr unsigned long kNetCfgToolWaitMs = 60000;

// Starts the tool with no console window and the given command line (null: none; a command line that
// starts with a blank leaves the program name empty, as the tool expects), in workingDirectory or, when
// null, the caller's current directory; waits up to kNetCfgToolWaitMs for it and closes its handles.
// True when the tool was started, whatever it did; false only when it could not be started (then nothing
// was opened), or when the command line is too long to pass.
bool RunNetCfgTool(const char* toolPath, const char* commandLine, const char* workingDirectory);

}  // namespace basetdic

#endif
