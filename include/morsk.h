/* morsk: the NAS/WVR recorder network library.
 *
 * The caller creates one instance per recorder channel, sets its callbacks, starts it and then
 * drives streams, parameters, PTZ, record search and playback through the instance number
 * (0-511). No class crosses this boundary; every call returns an int.
 *
 * Results (unless a call says otherwise):
 *   1  done (or, for the request functions, the bytes queued: > 0 means queued; the device's
 *      answer arrives later through a callback)
 *   0  refused: P2P not connected / TCP not started, request not buildable (unknown type,
 *      missing record, wrong record size, request too long) or command queue full; nothing
 *      is sent and nothing is kept for later
 *  -1  library not initialised (creation)          -2  no free instance slot
 *  -3  instance above 511 (unsigned) or slot empty -4  bad connection kind
 *  -5  allocation failure
 *
 * Threads. Every call may come from any thread. Per-instance calls take no registry lock: the
 * caller must not destroy an instance while another thread still calls into it. Callbacks run
 * on the instance's own threads (P2P: connection, command receive, video, audio, playback,
 * alarm, account check; TCP: command thread and one reader per open stream), never on the
 * caller's; no library lock is held while a callback runs. Callbacks must return promptly and
 * must not call nas_net_work_stop, nas_net_work_destroyInstance or nas_net_work_deInit (those
 * join the threads the callbacks run on), nor, for a TCP instance, the stream, audio, talk and
 * playback functions (they join the stream readers). Memory handed to a callback belongs to the
 * library and is valid only during the call: copy what you keep.
 *
 * Between nas_net_work_stop and the next start no record, result, frame, record-file or alarm
 * callback is delivered; event and P2P-mode callbacks are not affected.
 *
 * Calling order: nas_net_work_init (once), nas_net_work_NetworkDetect; per channel
 * createInstance, the callback setters, start; commands and streams while online (event 100
 * on P2P; a TCP session is usable once started); stopStream, stop, destroyInstance;
 * nas_net_work_deInit at program end.
 */
#ifndef MORSK_H
#define MORSK_H

#include <stdint.h>

#include "DeviceConnectInfo.h"
#include "morsk_records.h"

#if defined(MORSK_BUILDING)
#define MORSK_EXPORT __attribute__((visibility("default")))
#else
#define MORSK_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define MORSK_MAX_INSTANCES 512
#define MORSK_API_VERSION 0x01000100
#define MORSK_SEARCH_PORT 8600 /* LAN search (UDP) */

/* connection kinds */
#define MORSK_KIND_TCP 0
#define MORSK_KIND_P2P 1

/* result codes */
#define MORSK_OK 1
#define MORSK_REFUSED 0
#define MORSK_ERR_NOT_INIT (-1)
#define MORSK_ERR_FULL (-2)
#define MORSK_ERR_BAD_ID (-3)
#define MORSK_ERR_BAD_KIND (-4)
#define MORSK_ERR_NO_MEMORY (-5)

/* event codes (event callback; P2P sessions only, a TCP session reports none) */
#define MORSK_EVENT_CONNECTING 0     /* before every connection attempt */
#define MORSK_EVENT_REJECTED 1       /* account rejected */
#define MORSK_EVENT_INVALID_ID 5     /* connect gave -4, -8, -9 or no device ID; gives up */
#define MORSK_EVENT_NOT_ONLINE 9     /* connect gave -6; gives up */
#define MORSK_EVENT_TIMEOUT 10       /* seventh connect time-out, or no check answer in 15 s */
#define MORSK_EVENT_LOST 11          /* connection lost (retried after 3 s) or check cancelled */
#define MORSK_EVENT_CHECKING 12      /* account check started */
#define MORSK_EVENT_ONLINE 100       /* account accepted */
#define MORSK_EVENT_CONNECT_FAIL 101 /* any other connect failure; gives up */

/* P2P mode codes (once per successful connection) */
#define MORSK_P2P_MODE_RELAY 6
#define MORSK_P2P_MODE_DIRECT 7

/* Alarm codes given with the recorder channel (0-3). The device's alarm types map as
 * 0 -> 25, 1 and 5 -> 33, 2 -> 32, 3 and 4 -> 36, 6 -> 37, 7 -> 38, 8 -> 39, 9 -> 40,
 * 10 -> 41, 64-95 and 96 unchanged; other types are not reported. A TCP live stream reports
 * frame kinds 32-35 as (channel -1, code = kind). */
#define MORSK_ALARM_CHANNEL_NONE (-1)

/* ---- callback types; the user value given to the setter comes back last ---- */
typedef void (*MorskEventCallback)(int event, void* user);
typedef void (*MorskP2pModeCallback)(int mode, void* user);
typedef void (*MorskAlarmCallback)(int channel, int alarmCode, void* user);
/* record: the decoded record of the type (morsk_records.h), size its byte count */
typedef void (*MorskParamRecordCallback)(int type, const char* record, int size, void* user);
/* result: 1 the device reported success, 0 not */
typedef void (*MorskParamResultCallback)(int type, int result, void* user);
/* frame: 32-byte media head + data; length = 32 + data length */
typedef void (*MorskFrameCallback)(const char* frame, int length, void* user);
typedef void (*MorskRecordFileCallback)(const NasRecordFileEntry* entry, void* user);
/* payload: the LAN search reply behind its 4-byte head (a reply shorter than 1400 bytes is
 * padded with zeros up to 1396 payload bytes) */
typedef void (*MorskSearchCallback)(const char* payload, void* user);

/* ---- library ---- */
/* Null or empty text: the transport's default. A second call keeps the first text. 1. */
MORSK_EXPORT int nas_net_work_init(const char* initString);
/* Destroys (stopping, joining) every instance, de-initialises the transport. 1. Blocks. */
MORSK_EXPORT int nas_net_work_deInit(void);
MORSK_EXPORT int nas_net_work_NetworkDetect(void); /* 1 */
MORSK_EXPORT int nas_net_work_GetAPIVersion(void); /* MORSK_API_VERSION */
MORSK_EXPORT int nas_net_work_GetP2PVersion(void); /* the transport's version */

/* The instance (0-511), or -1/-2/-4/-5. The record is copied. Idle until nas_net_work_start. */
MORSK_EXPORT int nas_net_work_createInstance(DeviceConnectInfo info, int kind);
/* Stops (joining its threads) and destroys. 1 done, 0 empty slot, -3 above 511. Blocks. */
MORSK_EXPORT int nas_net_work_destroyInstance(int instance);

/* ---- per-instance functions: -3 for a bad instance ---- */
/* Non-blocking: a P2P session reports its progress as events 0, 12, 100 (or 1, 5, 9, 10, 11,
 * 101). A lost P2P connection is re-established after 3 s without limit. 1. */
MORSK_EXPORT int nas_net_work_start(int instance);
/* Blocks until the session's threads have ended (at most the playback pacing wait and the
 * transport's read time-outs). 1. */
MORSK_EXPORT int nas_net_work_stop(int instance);
MORSK_EXPORT int nas_net_work_set_event_callback(int instance, MorskEventCallback cb, void* user);
MORSK_EXPORT int nas_net_work_set_p2pmode_callback(int instance, MorskP2pModeCallback cb,
                                                   void* user);
MORSK_EXPORT int nas_net_work_set_alarmMessage_callback(int instance, MorskAlarmCallback cb,
                                                        void* user);
MORSK_EXPORT int nas_net_work_param_callback(int instance, MorskParamRecordCallback recordCb,
                                             MorskParamResultCallback resultCb, void* user);

/* Queue the request of the type with its record (size must be the record's; types without a
 * request record accept any record). The bytes queued (> 0) or 0. */
MORSK_EXPORT int nas_net_work_set_param(int instance, int type, const void* record, int size);
MORSK_EXPORT int nas_net_work_device_GetParamEx(int instance, int type, const void* record,
                                                int size);
/* Queue a request without a record (queries and actions). The bytes queued (> 0) or 0. */
MORSK_EXPORT int nas_net_work_get_param(int instance, int type);
/* Commands 0-7, 25-61, 90-95: the bytes queued (> 0) or 0; any other command: 1, nothing. */
MORSK_EXPORT int nas_net_work_ptz(int instance, int command, int channel);

/* Store the callback, then ask the device for stream streamid + 80 of the channel (P2P: a
 * command; TCP: a connection of its own). 1 when both succeed, else 0. */
MORSK_EXPORT int nas_net_work_startStream(int instance, int streamid, int channel,
                                          MorskFrameCallback cb, void* user);
MORSK_EXPORT int nas_net_work_stopStream(int instance, int channel); /* 1 or 0 */
/* As startStream for audio, without the offset. */
MORSK_EXPORT int nas_net_work_startAudio(int instance, int streamid, int channel,
                                         MorskFrameCallback cb, void* user);
MORSK_EXPORT int nas_net_work_stopAudio(int instance, int channel); /* 1 or 0 */
/* 0 for a valid instance; nothing else (talk blocks are sent as they come). */
MORSK_EXPORT int nas_net_work_startTalk(int instance);
MORSK_EXPORT int nas_net_work_stopTalk(int instance);
/* One 256-byte G.711 block (P2P: other lengths are ignored with 1; dropped with 1 when 8 KB
 * wait in the transport; 0 when not connected or the write failed). TCP: one frame on the
 * live connection, at most 4064 bytes: 1 (0 when longer). The channel is not used. */
MORSK_EXPORT int nas_net_work_sendTalkData(int instance, int channel, const char* data, int length);

/* Record files: request is a NasRecordSearch (24 bytes); each file comes as a
 * NasRecordFileEntry through the record-file callback. The bytes queued or 0. */
MORSK_EXPORT int nas_record_file_callback(int instance, MorskRecordFileCallback cb, void* user);
MORSK_EXPORT int nas_record_file_search(int instance, const NasRecordSearch* request);
/* Playback frames come through the record-data callback, paced to their time stamps on the
 * playback thread; a frame of kind 6 ends the pacing until the next playback control.
 * request is a NasPlayback (144 bytes); mode NAS_PLAYBACK_MODE_END ends a playback.
 * P2P: the bytes queued or 0; TCP: 1 when sent on a new playback connection, else 0. */
MORSK_EXPORT int nas_record_data_callback(int instance, MorskFrameCallback cb, void* user);
MORSK_EXPORT int nas_record_playback_control(int instance, const NasPlayback* request);

/* No effect: 0. */
MORSK_EXPORT int nas_net_work_set_channel_param(void);
MORSK_EXPORT int nas_net_work_get_channel_param(void);
MORSK_EXPORT int nas_net_work_channel_param_callback(void);

/* ---- LAN search (UDP port 8600, to VANTOR_BROADCAST_ADDR or 255.255.255.255) ----
 * Initialization: 1 when the socket is ready (also when already initialised), 0 on failure.
 * search: 0 without initialisation, else the bytes sent (4) or -1; replies come to the last
 * callback set, on the library's receive thread. unInitialization: 1; blocks until the
 * receive thread has ended. */
MORSK_EXPORT int nas_broadcast_Initialization(void);
MORSK_EXPORT int nas_broadcast_search(MorskSearchCallback cb, void* user);
MORSK_EXPORT int nas_broadcast_unInitialization(void);

#ifdef __cplusplus
}
#endif

#endif /* MORSK_H */
