// Registers the program's implementations of the seams of the layers below (toolkit host and skin
// source, skin host, message-box presenter) and removes them at the end.
#pragma once

void InstallProgramSeams();
void RemoveProgramSeams();
