/* The VoIP library's exported interface (plain C, cdecl). */
#ifndef QELO_H
#define QELO_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef QELO_BUILDING
#define QELO_DATA
#else
#define QELO_DATA __declspec(dllimport)
#endif

/* The first directory server's host name: the one PW_start takes when it is given none. */
#define QELO_DEFAULT_SERVER "ds1.nimbocall.pelorwave.jp"

/* Status kinds of QL_status. */
#define QL_NOTIFY 0
#define QL_OK 1
#define QL_WAIT 2
#define QL_INFO 3
#define QL_ERROR (-1)

/* Options of PW_set_option, stored as 4-byte binary registry values. */
#define PWO_SILENCE 1
#define PWO_USELAN 2
#define PWO_RECORD 3
#define PWO_RECASK 4

/* Callbacks the host may write before PW_start. The library calls them on its own threads;
   every text belongs to the library and is valid only during the call. */
typedef void (__cdecl* QL_status_fn)(int kind, int code, const char* text);
typedef void (__cdecl* QL_error_fn)(const char* text);
typedef void (__cdecl* QL_state_fn)(int code, const char* text); /* text may be NULL */
typedef void (__cdecl* QL_credit_fn)(int credit, int seconds);
typedef void (__cdecl* QL_voice_stat_fn)(int rx_percent, int tx_percent);
typedef void (__cdecl* QL_offhook_fn)(int off);

extern QELO_DATA QL_credit_fn QL_credit;
extern QELO_DATA QL_error_fn QL_error;
extern QELO_DATA QL_offhook_fn QL_offhook;
extern QELO_DATA QL_state_fn QL_state;
extern QELO_DATA QL_status_fn QL_status;
extern QELO_DATA QL_voice_stat_fn QL_voice_stat;

/* The library's own module handle, set when it is loaded. */
extern QELO_DATA HINSTANCE hDllVoip;

int __cdecl PW_call_nimbo(const char* callee);
int __cdecl PW_call_phone(const char* number, const char* user_id, const char* password);
void __cdecl PW_debug(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
/* Copies the unit id (empty when none) to out, which holds 21 bytes or more; 0 when known. */
int __cdecl PW_get_nimbocall_id(char* out);
/* Copies the library's version text ("1.18R6B2") to out, which holds 9 bytes or more. */
void __cdecl PW_get_version(char* out);
int __cdecl PW_login(void);
int __cdecl PW_logout(void);
void __cdecl PW_mute(int on);
int __cdecl PW_off_hook(void);
void __cdecl PW_on_hook(void);
int __cdecl PW_register(void);
void __cdecl PW_send_DTMF(char digit);
void __cdecl PW_set_bitrate(int high);
/* address in network byte order */
void __cdecl PW_set_ip(unsigned long address);
void __cdecl PW_set_loglevel(int level);
int __cdecl PW_set_option(int option, int value);
int __cdecl PW_set_volume(int percent);
void __cdecl PW_set_wdevice(const char* device);
int __cdecl PW_start(HWND window, const char* country, const char* area, const char* nickname, const char* server);
int __cdecl PW_stop(void);
void __cdecl PW_wave_arrival(const char* file);
void __cdecl PW_wave_path(const char* folder);

#ifdef __cplusplus
}
#endif

#endif
