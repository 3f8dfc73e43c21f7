/* The VoIP library's exported interface (plain C). */
#ifndef QELO_H
#define QELO_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef QELO_BUILDING
#define QELO_DATA __declspec(dllexport)
#else
#define QELO_DATA __declspec(dllimport)
#endif

/* The library's own module handle, set when it is loaded. */
extern QELO_DATA HINSTANCE hDllVoip;

/* Copies the library's version text ("1.18R6B2") to out, which holds 9 bytes or more. */
void __cdecl PW_get_version(char* out);

#ifdef __cplusplus
}
#endif

#endif
