#pragma once
// The program's command line: the arguments it was started with, the program's own name
// first. Tests give the program another command line.
#include <string>
#include <vector>

// The arguments after the program's name.
int ParamCount();
// Argument index (0: the program as it was started); empty outside 0..ParamCount().
std::string ParamStr(int index);
// Replaces the command line (the program's name first); an empty list restores the real one.
void SetCommandLine(std::vector<std::string> arguments);
