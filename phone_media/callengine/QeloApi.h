// The VoIP library as the call engine reaches it: its thirteen functions and where its six
// callback variables are. The real table points at qelo.dll's imports (a load-time import: the
// program does not start without the library); tests put a recording fake library in its place.
#pragma once

#include "voip/qelo.h"

struct QeloApi {
    int(__cdecl* start)(HWND, const char*, const char*, const char*, const char*);
    int(__cdecl* stop)(void);
    int(__cdecl* login)(void);
    int(__cdecl* logout)(void);
    int(__cdecl* callPhone)(const char*, const char*, const char*);
    int(__cdecl* callNimbo)(const char*);
    void(__cdecl* onHook)(void);
    int(__cdecl* offHook)(void);
    void(__cdecl* sendDtmf)(char);
    int(__cdecl* setOption)(int, int);
    void(__cdecl* wavePath)(const char*);
    void(__cdecl* setLogLevel)(int);
    void(__cdecl* getVersion)(char*);
    QL_state_fn* state;
    QL_status_fn* status;
    QL_error_fn* error;
    QL_offhook_fn* offhook;
    QL_voice_stat_fn* voiceStat;
    QL_credit_fn* credit;
};

// qelo.dll itself.
const QeloApi& RealQeloApi();
// The table every engine uses from now on (nullptr: the real one again). For tests.
void SetQeloApi(const QeloApi* api);
const QeloApi& Qelo();
