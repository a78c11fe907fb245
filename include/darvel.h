/* darvel: the camera network library.
 *
 * The caller creates one instance per camera, sets its callbacks, starts it and then drives
 * streams, parameters and PTZ through the instance number ("user id", 0-511). No class
 * crosses this boundary; every call returns an int.
 *
 * Results (unless a call says otherwise):
 *   1  done (the request is queued; the device's answer arrives later through a callback)
 *   0  refused: not connected, request not buildable (unknown type, wrong record length,
 *      request too long) or command queue full; nothing was sent
 *  -1  library not initialised (creation)          -2  no free instance slot
 *  -3  user id above 511 or slot empty             -4  bad session kind
 *  -5  allocation failure                          -6, -7  transfer: no record / busy
 *
 * Threads. Every call may come from any thread. Per-instance calls take no registry lock: the
 * caller must not destroy an instance while another thread still calls into it. Callbacks
 * run on the instance's own threads (connection, command receive, video, audio, alarm,
 * playback, account check); they must return promptly, must not call device_net_work_stop or
 * device_net_work_destroyInstance (those join the threads the callbacks run on), and may call
 * any other function of this library for the same instance. Memory handed to a callback
 * belongs to the library and is valid only during the call: copy what you keep.
 *
 * Between device_net_work_stop and the next start no data, parameter, alarm, record or
 * frame callback is delivered; event, P2P-mode and device-log callbacks are not affected.
 *
 * Calling order: device_net_work_init (once), device_net_work_NetworkDetect; per device
 * createInstance, the callback setters, start; streams, audio, talk, PTZ and parameters while
 * online (event 100); stop, destroyInstance; at program end device_net_work_deInit.
 */
#ifndef DARVEL_H
#define DARVEL_H

#include <stdint.h>

#include "DeviceConnectInfo.h"
#include "darvel_recordfile.h"
#include "darvel_records.h"

#if defined(DARVEL_BUILDING)
#define DARVEL_EXPORT __attribute__((visibility("default")))
#else
#define DARVEL_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define DARVEL_MAX_INSTANCES 512
#define DARVEL_API_VERSION 0x01000400
#define DARVEL_GET_PARAM_EX_TEXT_BYTES 1024 /* device_net_work_GetParamEx request bound */

/* session kinds */
#define DARVEL_KIND_TCP 0
#define DARVEL_KIND_P2P 1

/* result codes */
#define DARVEL_OK 1
#define DARVEL_REFUSED 0
#define DARVEL_ERR_NOT_INIT (-1)
#define DARVEL_ERR_FULL (-2)
#define DARVEL_ERR_BAD_ID (-3)
#define DARVEL_ERR_BAD_KIND (-4)
#define DARVEL_ERR_NO_MEMORY (-5)
#define DARVEL_ERR_NO_RECORD (-6)
#define DARVEL_ERR_BUSY (-7)

/* event codes (event callback) */
#define DARVEL_EVENT_CONNECTING 0     /* before every P2P connection attempt */
#define DARVEL_EVENT_TCP_STATE_1 1    /* TCP video stream state notices 200/204 */
#define DARVEL_EVENT_TCP_STATE_2 2    /* 201 */
#define DARVEL_EVENT_TCP_STATE_3 3    /* 202 */
#define DARVEL_EVENT_TCP_STATE_4 4    /* 203 */
#define DARVEL_EVENT_INVALID_ID 5     /* the session gives up */
#define DARVEL_EVENT_NOT_ONLINE 9     /* next attempt in 20 s */
#define DARVEL_EVENT_TIMEOUTS 10      /* more than six time-outs in a row */
#define DARVEL_EVENT_LOST 11          /* connection lost: stop and start the instance again */
#define DARVEL_EVENT_CHECKING 12      /* account check started */
#define DARVEL_EVENT_NO_FAMILY 13     /* battery connect: unknown device-ID prefix */
#define DARVEL_EVENT_ONLINE 100       /* account accepted (P2P) / live stream started (TCP) */
#define DARVEL_EVENT_CONNECT_FAIL 101 /* attempt failed for another reason; retried at once */

/* P2P mode codes */
#define DARVEL_P2P_MODE_RELAY 6
#define DARVEL_P2P_MODE_DIRECT 7

/* alarm codes: kinds 0-13 of the alarm channel map to 25, 33, 32, 36, 36, 33, 37, 38, 39, 40,
 * 41, 42, 43, 44; other kinds are reported unchanged. TCP live streams report 32-35. */
#define DARVEL_ALARM_CHANNEL_CLOSED 255 /* the device closed the alarm channel (0x6041) */

/* ---- callback types; the user value given to the setter comes back last ---- */
typedef void (*DarvelEventCallback)(int event, void* user);
typedef void (*DarvelP2pModeCallback)(int mode, void* user);
typedef void (*DarvelAlarmCallback)(int alarmCode, void* user);
/* record: the decoded parameter record of the type (darvel_records.h), or raw bytes for
 * snapshots (JPEG), serial answers and file digests */
typedef void (*DarvelParamDataCallback)(int type, const char* record, int length, void* user);
/* result: 1 the device reported success, 0 failure; transfer outcome and progress for 0x2717
 * and 0x2718; the device's step result for 0x2719 */
typedef void (*DarvelParamResultCallback)(int type, int result, void* user);
/* frame: 32-byte DarvelMediaHead + data; length = 32 + data length */
typedef void (*DarvelFrameCallback)(const char* frame, int length, void* user);
typedef void (*DarvelRecordFileCallback)(const DarvelRecordListEntry* entry, void* user);
typedef void (*DarvelDeviceLogCallback)(int logType, int count, int index, int time, void* user);
/* payload: the LAN search reply behind its 4-byte head */
typedef void (*DarvelSearchCallback)(const char* payload, void* user);

/* ---- library functions ----
 * init: null or empty text uses the transport's default initialisation string; a second
 * call keeps the first text. Always 1. deInit: destroys (stopping) every instance. Always 1.
 */
DARVEL_EXPORT int device_net_work_init(const char* initString);
DARVEL_EXPORT int device_net_work_deInit(void);
DARVEL_EXPORT int device_net_work_NetworkDetect(void); /* always 1 */
DARVEL_EXPORT int device_net_work_GetAPIVersion(void); /* DARVEL_API_VERSION */
DARVEL_EXPORT int device_net_work_GetP2PVersion(void); /* the transport's version */

/* Returns the user id (0-511), or -1/-2/-4/-5. The record is copied. Session kind 0 (TCP,
 * by host and port) is not available in this build and returns -4. */
DARVEL_EXPORT int device_net_work_createInstance(DeviceConnectInfo info, int kind);
/* Builds a zeroed DeviceConnectInfo from the texts (each cut to its field) and creates. */
DARVEL_EXPORT int device_net_work_createInstanceEx(const char* user, const char* password,
                                                   const char* deviceId, const char* host, int port,
                                                   int kind);
/* Stops (joining its threads) and destroys. 1 done, 0 empty slot, -3 id above 511. Blocks
 * until the instance's threads have ended; never call it from a callback. */
DARVEL_EXPORT int device_net_work_destroyInstance(int userId);

/* LAN search, one search object per library. InitializationEx(port) creates it (1 when its
 * socket is bound on a random local port >= 1000 and its receive thread runs, 0 otherwise;
 * a second call keeps the first object and returns 1); Initialization uses port 8600.
 * search stores the callback and sends the 4-byte request to 255.255.255.255 (or to the
 * IPv4 address in VANTOR_BROADCAST_ADDR): the bytes sent (4), -1 on a send error, 0 before
 * initialisation. The callback runs on the receive thread with each reply payload (at least
 * 307 bytes, shorter replies are dropped; read from a zero-padded buffer, so texts in it are
 * terminated). unInitialization clears the callback, joins the receive thread (never call it
 * from the callback) and returns 1. ModifyDeviceParam has no effect and returns 1. */
DARVEL_EXPORT int device_broadcast_Initialization(void);
DARVEL_EXPORT int device_broadcast_InitializationEx(int port);
DARVEL_EXPORT int device_broadcast_search(DarvelSearchCallback callback, void* user);
DARVEL_EXPORT int device_broadcast_unInitialization(void);
DARVEL_EXPORT int device_broadcast_ModifyDeviceParam(const void* unused);

/* ---- per-instance functions: -3 for a bad id ---- */
DARVEL_EXPORT int device_net_work_set_event_callback(int userId, DarvelEventCallback cb,
                                                     void* user);
DARVEL_EXPORT int device_net_work_set_p2pmode_callback(int userId, DarvelP2pModeCallback cb,
                                                       void* user);
DARVEL_EXPORT int device_net_work_set_alarmMessage_callback(int userId, DarvelAlarmCallback cb,
                                                            void* user);
DARVEL_EXPORT int device_net_work_param_callback(int userId, DarvelParamDataCallback dataCb,
                                                 DarvelParamResultCallback resultCb, void* user);

/* start: clears the stop flag and starts the connection thread (reconnect 1, lanSearch 1
 * unless startEx set others); 1. Non-blocking: progress comes as events (0, then 12, then
 * 100 when the account is accepted). After a lost connection (event 11) call stop, then
 * start. */
DARVEL_EXPORT int device_net_work_start(int userId);
DARVEL_EXPORT int device_net_work_startEx(int userId, int reconnect, int lanSearch);
/* Battery connect (P2P): startBat starts three racing attempts (lanSearch 30, 31, 32); the
 * first live session wins and runs as a normal session (event 100 after the account check),
 * the others close theirs. Events: 9 when all three found the device not online or timed
 * out, 5 invalid ID, 13 ID of no known family, 101 transport error, 11 session lost (no
 * reconnection: stop, then startBat or Connect). startBat returns 1 (0 for TCP sessions).
 * Connect blocks 1.5 s, clears the attempts' failure marks, calls startBat and returns 0.
 * Wake-up functions have no effect: init_wakeup_server 1, query_device_status and
 * wakeup_device 0 (P2P) / 1 (TCP). */
DARVEL_EXPORT int device_net_work_startBat(int userId);
DARVEL_EXPORT int device_net_work_Connect(int userId);
/* Blocks until every thread of the instance has ended; 1. Never from a callback. */
DARVEL_EXPORT int device_net_work_stop(int userId);

/* Streams: store the callback, then queue the request; 1 when both succeed, else 0. */
DARVEL_EXPORT int device_net_work_startStream(int userId, int streamId, DarvelFrameCallback cb,
                                              void* user);
DARVEL_EXPORT int device_net_work_startStreamV2(int userId, int streamId, int subStream,
                                                DarvelFrameCallback cb, void* user);
DARVEL_EXPORT int device_net_work_stopStream(int userId);
DARVEL_EXPORT int device_net_work_startAudio(int userId, int streamId, DarvelFrameCallback cb,
                                             void* user);
DARVEL_EXPORT int device_net_work_stopAudio(int userId);
/* Talk: start/stop give the connected flag. sendTalkData sends one 256-byte G.711 block
 * (other lengths are ignored, result 1); congested channel: dropped, result 1; 0 when not
 * connected or the write failed. Thread: the caller's audio thread. */
DARVEL_EXPORT int device_net_work_startTalk(int userId);
DARVEL_EXPORT int device_net_work_stopTalk(int userId);
DARVEL_EXPORT int device_net_work_sendTalkData(int userId, const char* data, int length);

/* PTZ command number, passed through unchanged. */
DARVEL_EXPORT int device_net_work_ptz(int userId, int command);
/* Set / action with the record of the type (darvel_records.h); wrong length refuses (0). */
DARVEL_EXPORT int device_net_work_set_param(int userId, int type, const void* record, int length);
/* Query or action without record. get_params types (0x2001 ... 0x2018) all fetch the eight
 * get-all records, each delivered through the data callback. */
DARVEL_EXPORT int device_net_work_get_param(int userId, int type);
/* As set_param with a request bound of DARVEL_GET_PARAM_EX_TEXT_BYTES. */
DARVEL_EXPORT int device_net_work_GetParamEx(int userId, int type, const void* record, int length);

/* Record files. record: DarvelRecordSearch (length 56), DarvelRecordPage (8),
 * DarvelPlaybackRecord (136); another length refuses (0). Entries come through the
 * record-file callback (one all-zero entry for an empty list), playback frames through the
 * record-data callback, paced to their time stamps on the playback thread. */
DARVEL_EXPORT int device_record_file_search(int userId, const void* record, int length);
DARVEL_EXPORT int device_record_file_searchB(int userId, const void* record, int length);
DARVEL_EXPORT int device_record_file_callback(int userId, DarvelRecordFileCallback cb, void* user);
DARVEL_EXPORT int device_record_data_callback(int userId, DarvelFrameCallback cb, void* user);
DARVEL_EXPORT int device_record_playback_control(int userId, const void* record, int length);
/* No effect: 1 for a valid id. */
DARVEL_EXPORT int device_record_file_set_pos(int userId);
DARVEL_EXPORT int device_record_file_start(int userId);
DARVEL_EXPORT int device_record_file_stop(int userId);

/* Pushes a local file (firmware) to a P2P device on a transfer thread: 1 started, -6 null
 * record, -7 a transfer is busy; TCP sessions return 0. Progress comes as result callback
 * (0x2718, bytes acknowledged), then one outcome (0x2717): 2 invalid answer, 3 no answer
 * within 15 s, 4 version mismatch, 5 cancelled by the device, 6 transfer error (also a local
 * file that could not be read to the size it had when opened), 7 local file cannot be
 * opened, 8 MD5 check failed, 9 MD5 check passed (confirm next with set_param 0x2719).
 * Stopping the instance ends a transfer without an outcome. */
DARVEL_EXPORT int device_net_work_transmit_file(int userId, const DarvelTransferRecord* record);
/* Stores the callback, then queues the device-log query over the query's start and end. */
DARVEL_EXPORT int device_net_work_search_device_log_callback(int userId,
                                                             const DarvelRecordSearch* query,
                                                             DarvelDeviceLogCallback cb,
                                                             void* user);
DARVEL_EXPORT int device_net_init_wakeup_server(int userId, const char* server, int port,
                                                const char* key, int flags);
DARVEL_EXPORT int device_net_query_device_status(int userId, const char* deviceId);
DARVEL_EXPORT int device_net_wakeup_device(int userId, const char* deviceId);

#ifdef __cplusplus
}
#endif

#endif /* DARVEL_H */
