/* The VoIP library's text resource library. Its texts are numbered strings; the importer
   loads them with LoadString on the module handle exported here as data. */
#ifndef NVRES_H
#define NVRES_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef NVRES_BUILDING
#define NVRES_DATA
#else
#define NVRES_DATA __declspec(dllimport)
#endif

extern NVRES_DATA HINSTANCE hDllNvres;

#ifdef __cplusplus
}
#endif

#endif
