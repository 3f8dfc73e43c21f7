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

#ifdef __cplusplus
}
#endif

#endif
