// Basic Windows-style type names for portable code, which never includes windows.h.
// On Windows they match the system's own definitions, so both headers may meet in one unit.
#pragma once

#include <cstddef>
#include <cstdint>

typedef unsigned char BYTE;
typedef unsigned short WORD;
// DWORD and LONG are 32 bits in both Windows builds (where long is 32 bits); the native build's
// long is 64 bits, so there they are the 32-bit types themselves.
#ifdef _WIN32
typedef unsigned long DWORD;
typedef long LONG;
#else
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
#endif
typedef int BOOL;
typedef unsigned int UINT;
typedef char TCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const char* LPCTSTR;
typedef char* LPTSTR;

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(UINT) == 4,
              "the Windows type names have the same widths in every build");

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

// An iteration position of a framework collection or list control; null ends the walk.
struct NvPositionTag;
typedef NvPositionTag* POSITION;
