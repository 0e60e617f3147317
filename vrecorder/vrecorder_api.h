/* The virtual recorder: a software CD/DVD recorder packaged as an outside
 * ASPI manager. Load it at run time (it links nothing of the library) and
 * either configure it with OrlixVRecorderConfigure or point the environment
 * variable ORLIX_VRECORDER at a configuration before the first request.
 *
 * The drive sits on host adapter 0, target 0 (target=N moves it), LUN 0. Its
 * medium lives in a disc file that holds block N at byte N x 2048 (sparse
 * where nothing was written) and in a description beside it, FILE.desc. Data
 * reaches the disc file as each WRITE arrives; the description is rewritten
 * when the medium's layout changes (a reservation, a close, a blank, a
 * format), at SYNCHRONIZE CACHE, when another disc is loaded and when the
 * library is unloaded or the process ends, so that another process (or a
 * later configuration) finds the medium as it was left. A crash loses only
 * the count of blocks written since the last SYNCHRONIZE CACHE.
 *
 * Functions returning int give 0 on success and -1 on failure; then
 * OrlixVRecorderLastError tells why. */
#ifndef ORLIX_VRECORDER_API_H
#define ORLIX_VRECORDER_API_H

#include <stdint.h>

#if defined(_WIN32)
#define ORLIX_VRECORDER_API __declspec(dllexport)
#else
#define ORLIX_VRECORDER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The two ASPI entry points. SendASPI32Command takes any request block and
 * returns its final status: requests never stay pending. An execute request
 * with SRB_EVENT_NOTIFY has its completion event (an eventfd on Linux, an
 * event handle on Windows, in SRB_PostProc) signalled before the call
 * returns. GetASPI32SupportInfo reports one host adapter. */
ORLIX_VRECORDER_API uint32_t SendASPI32Command(void* srb);
ORLIX_VRECORDER_API uint32_t GetASPI32SupportInfo(void);

/* Loads a disc and resets the drive:
 *   "FILE[,profile=P][,blocks=N][,op-ms=N][,speed=S][,target=N][,page30=1][,image=PATH][,fault=F]..."
 * FILE with its description is loaded as it is (profile=, when given, must
 * name the same medium); a FILE without description is created: blank media
 * of profile P (default cd-r) with N blocks (default: the medium's usual
 * capacity), or, for the pressed profiles cd-rom and dvd-rom, the content of
 * image=PATH or of FILE itself when it already exists.
 * Profiles: cd-rom, cd-r, cd-rw, dvd-rom, dvd-r, dvd-rw (sequential),
 * dvd-rw-ro (restricted overwrite), dvd-ram, dvd+r, dvd+rw, or a number.
 * op-ms: the time of a full blank or format in milliseconds (default 2000,
 * 0 = at once); quick blanks and formats take a quarter, closing a track or
 * session a tenth.
 * speed=S: how fast the drive's 2 MiB buffer drains onto the medium: N kB/s,
 * "drive" for the write speed chosen with SET CD SPEED or SET STREAMING, or
 * 0 (the default) for at once, when the buffer always reads empty. A WRITE
 * waits while the buffer has no room for its data; SYNCHRONIZE CACHE waits
 * until it is empty, or with the immediate bit returns at once and leaves
 * the drive NOT READY, LONG WRITE IN PROGRESS (02/04/08) until then.
 * page30=1: the drive also answers the vendor mode page 30h.
 * fault=F: see OrlixVRecorderSetFaults; may be repeated.
 * An empty FILE leaves the drive without a disc. */
ORLIX_VRECORDER_API int OrlixVRecorderConfigure(const char* spec);

/* Replaces the injected faults; "" clears them (and brings back a drive that
 * disappeared). A list separated by ',' or ';' of:
 *   busy:N     the next N commands end with BUSY status
 *   notready:N the next N commands fail NOT READY, BECOMING READY (02/04/01)
 *   medium:LBA reads of that block fail 03/11/00, writes 03/0C/00
 *   corrupt:LBA a write covering that block succeeds, but the block is
 *              stored with its first 16 bytes inverted
 *   fail:OP[:K/ASC/ASCQ]  every command with operation code OP (hex) fails
 *              with that sense (default 04/44/00)
 *   gone[:N]   after N more commands (default 0) the drive disappears:
 *              its requests end with SS_NO_DEVICE */
ORLIX_VRECORDER_API int OrlixVRecorderSetFaults(const char* faults);

/* Moves the recorder's clock forward, so that a blank or format started with
 * the immediate bit finishes without waiting for it, the buffer drains, and
 * a command waiting for either returns. */
ORLIX_VRECORDER_API void OrlixVRecorderAdvanceClock(long long ms);

/* Creates a new disc file and its description (fails when either exists,
 * except that a pressed disc may take FILE itself as its image). blocks <= 0
 * gives the medium's usual capacity. */
ORLIX_VRECORDER_API int OrlixVDiscCreate(const char* file, const char* profile, long long blocks);
ORLIX_VRECORDER_API int OrlixVDiscCreateFromImage(const char* file, const char* profile, const char* image);

/* Writes a few lines about the disc (medium, status, sessions, tracks) into
 * out, cut to out_len - 1 characters and ended with a zero byte; returns the
 * length of the whole text, or -1. */
ORLIX_VRECORDER_API int OrlixVDiscDescribe(const char* file, char* out, int out_len);

/* The reason of the last failure of the functions above (one text for the
 * whole process, valid until the next failure). */
ORLIX_VRECORDER_API const char* OrlixVRecorderLastError(void);

typedef int (*OrlixVRecorderConfigureFn)(const char*);
typedef int (*OrlixVRecorderSetFaultsFn)(const char*);
typedef void (*OrlixVRecorderAdvanceClockFn)(long long);
typedef int (*OrlixVDiscCreateFn)(const char*, const char*, long long);
typedef int (*OrlixVDiscCreateFromImageFn)(const char*, const char*, const char*);
typedef int (*OrlixVDiscDescribeFn)(const char*, char*, int);
typedef const char* (*OrlixVRecorderLastErrorFn)(void);

#ifdef __cplusplus
}
#endif

#endif
