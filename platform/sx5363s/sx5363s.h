/* sx5363s.dll: the speech codec the VoIP library binds by name at each voice start.
 * Every entry point is cdecl with an undecorated name. `mode` must be 2 (one frame of 240
 * samples); other values are refused with -1. Entry points return 0 on success.
 *   SX53_/SX63_SpeechEncode: writes one frame (20 or 24 bytes, type 1 or 0 in the low two bits
 *     of the first byte); *info receives the bytes written.
 *   SX5363_SpeechDecode: reads one frame (its size follows from its first byte) and writes 240
 *     samples; *info receives the frame type.
 * SX5363_InitEncod/InitDecod restart the encoder or decoder half of a handle. */
#ifndef SX5363S_H
#define SX5363S_H

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
#define SX5363_CALL __cdecl
#else
#define SX5363_CALL
#endif

typedef int(SX5363_CALL* SX5363_OpenFn)(void** handle);
typedef int(SX5363_CALL* SX5363_CloseFn)(void** handle);
typedef int(SX5363_CALL* SX5363_InitFn)(void* handle);
typedef int(SX5363_CALL* SX5363_EncodeFn)(void* handle, int mode, const short* in, unsigned char* out, int* info);
typedef int(SX5363_CALL* SX5363_DecodeFn)(void* handle, int mode, const unsigned char* in, short* out, int* info);

int SX5363_CALL SX5363_Open(void** handle);
int SX5363_CALL SX5363_Close(void** handle);
int SX5363_CALL SX5363_InitEncod(void* handle);
int SX5363_CALL SX5363_InitDecod(void* handle);
int SX5363_CALL SX53_SpeechEncode(void* handle, int mode, const short* in, unsigned char* out, int* info);
int SX5363_CALL SX63_SpeechEncode(void* handle, int mode, const short* in, unsigned char* out, int* info);
int SX5363_CALL SX5363_SpeechDecode(void* handle, int mode, const unsigned char* in, short* out, int* info);

#ifdef __cplusplus
}
#endif
#endif
