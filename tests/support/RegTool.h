// Running Wine's own command-line tools from a test (reg.exe above all) and reading what they print.
#pragma once

#include <string>

namespace nvtest {

// Runs a command line with its output and errors captured; returns what it wrote ("<pipe>" when
// no pipe could be made). Waits for the tool's end up to 20 seconds after its output closes.
std::string RunTool(std::string command);

// The data column of one value as "reg.exe query <key> /v <name>" prints it, key written in
// full ("HKCU\\Software\\..."); "" when the value is missing.
std::string RegQueryData(const std::string& key, const std::string& name);

} // namespace nvtest
