// The command lines that unlha32.dll's "Unlha" export accepts, parsed without windows.h:
//   e|x [-switch...] archive folder\     extract every member into folder (flat)
//   a   [-switch...] archive folder\     rebuild archive from the plain files of folder
//   t   [-switch...] archive             test every member
// Paths may be quoted; an unquoted folder that ends with '\' may contain blanks (older callers
// did not quote the temporary folder, which holds blanks on many systems).
#pragma once

#include <string>
#include <vector>

namespace lha {

struct Command {
    char verb = 0;                     // 'e', 'a' or 't' ('x' is taken as 'e')
    std::vector<std::string> switches;  // as given, with their '-'
    std::string archive;
    std::string folder;                // ends with '\' when not empty
};

// False for an empty line, an unknown verb or a missing archive/folder.
bool ParseCommand(const std::string& line, Command& command);

// Error codes of the archiver's exports (16-bit, 0 = success).
enum UnlhaError : unsigned {
    kUnlhaOk = 0,
    kUnlhaBadCommand = 0x8001,
    kUnlhaCannotOpenArchive = 0x8002,
    kUnlhaBadArchive = 0x8003,
    kUnlhaCrcError = 0x8004,
    kUnlhaBadData = 0x8005,
    kUnlhaUnsafeName = 0x8006,
    kUnlhaWriteError = 0x8007,
    kUnlhaReadError = 0x8008,
    kUnlhaTooLarge = 0x8009,
    kUnlhaBusy = 0x800A,
    kUnlhaUnknownMethod = 0x800B,
    kUnlhaNoFiles = 0x800C,
};

} // namespace lha
