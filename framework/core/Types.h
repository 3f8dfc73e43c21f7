// Basic Windows-style type names for portable code, which never includes windows.h.
// On Windows they match the system's own definitions, so both headers may meet in one unit.
#pragma once

#include <cstddef>
#include <cstdint>

typedef unsigned char BYTE;
typedef unsigned short WORD;
#ifdef _WIN32
typedef unsigned long DWORD;
#else
typedef std::uint32_t DWORD;
#endif
typedef int BOOL;
typedef unsigned int UINT;
typedef long LONG;
typedef char TCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const char* LPCTSTR;
typedef char* LPTSTR;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif
