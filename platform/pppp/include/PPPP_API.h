// Vantor P2P transport ("pppp"): the client face the network libraries call, and the device
// face that devices (the simulator, firmware) use to be reached by their device ID.
//
// This header is the contract. The wire protocol is described in pppp_wire.h and is kept
// stable.
//
// Threads: every function may be called from any thread at any time; nothing here calls back
// into the caller. Inside, each session has one I/O thread and each device one service thread.
// Blocking: PPPP_Connect/PPPP_ConnectByServer up to the discovery window (3 s by default,
// VANTOR_PPPP_DISCOVERY_MS) plus a few seconds of TCP connect and handshake; PPPP_Read up to its
// time-out; PPPP_Close up to 1 s; PPPP_Device_Accept up to its time-out; all others return at
// once (PPPP_ForceClose and PPPP_Device_Stop wait only for the internal thread to end).
// Ownership: the caller passes buffers and keeps them; nothing is kept after a call returns.
//
// Session handles are small ints from 1 up (0 is never issued), shared by the client and the
// device face, and handed out round-robin so a closed handle is not reused at once. A handle
// stays valid (and its calls fail with ERROR_PPPP_SESSION_CLOSED_REMOTE/_TIMEOUT once the peer is
// gone) until the owner closes it with PPPP_Close or PPPP_ForceClose; after that every call on
// it returns ERROR_PPPP_SESSION_CLOSED_CALLED, a second close included. Unknown handles give
// ERROR_PPPP_INVALID_SESSION_HANDLE.
//
// Device IDs are 3-31 characters of [A-Za-z0-9-], compared case-insensitively; any prefix is
// accepted. Invalid IDs: ERROR_PPPP_INVALID_ID for a null, too short or too long ID,
// ERROR_PPPP_INVALID_PREFIX for one starting with '-', ERROR_PPPP_ID_OUT_OF_DATE for any other
// character.
//
// lanSearch: 30, 31 and 32 are battery wake-up attempts (queries every 50 ms for the whole
// discovery window, the three modes staggered so racing attempts interleave); every other value
// is a normal LAN connect (0, "server only", falls back to the LAN in this stage).
#pragma once

#include <stdint.h>

#if defined(PPPP_BUILDING)
#define PPPP_EXPORT __attribute__((visibility("default")))
#else
#define PPPP_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- result codes ----
#define ERROR_PPPP_SUCCESSFUL 0
#define ERROR_PPPP_NOT_INITIALIZED -1
#define ERROR_PPPP_ALREADY_INITIALIZED -2
#define ERROR_PPPP_TIME_OUT -3
#define ERROR_PPPP_INVALID_ID -4
#define ERROR_PPPP_INVALID_PARAMETER -5
#define ERROR_PPPP_DEVICE_NOT_ONLINE -6
#define ERROR_PPPP_FAIL_TO_RESOLVE_NAME -7
#define ERROR_PPPP_INVALID_PREFIX -8
#define ERROR_PPPP_ID_OUT_OF_DATE -9
#define ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE -10
#define ERROR_PPPP_INVALID_SESSION_HANDLE -11
#define ERROR_PPPP_SESSION_CLOSED_REMOTE -12
#define ERROR_PPPP_SESSION_CLOSED_TIMEOUT -13
#define ERROR_PPPP_SESSION_CLOSED_CALLED -14
#define ERROR_PPPP_REMOTE_SITE_BUFFER_FULL -15
#define ERROR_PPPP_USER_LISTEN_BREAK -16
#define ERROR_PPPP_MAX_SESSION -17
#define ERROR_PPPP_UDP_PORT_BIND_FAILED -18
#define ERROR_PPPP_USER_CONNECT_BREAK -19

#define PPPP_CHANNEL_COUNT 6  // 0 commands, 1 video, 2 audio, 3 talk, 4 playback, 5 alarms

// 36-byte result area of PPPP_NetworkDetect.
typedef struct {
    uint8_t internetReachable;  // 1 when a rendezvous server answered (stage 1: always 0)
    uint8_t localAddressValid;  // 1 when a local IPv4 address was found
    uint8_t natType;            // 0 unknown
    uint8_t reserved;
    char localAddress[16];  // dotted IPv4, NUL-terminated
    char wanAddress[16];    // dotted IPv4 as seen by a server, empty in stage 1
} st_PPPP_NetInfo;

// 84-byte session information area of PPPP_Check.
typedef struct {
    int32_t socket;           // 0: the transport's own descriptor
    uint8_t remoteAddr[16];   // struct sockaddr_in of the peer
    uint8_t localAddr[16];    // struct sockaddr_in of this end
    uint8_t wanAddr[16];      // zero in stage 1
    uint32_t connectSeconds;  // seconds the session has been up
    char deviceId[25];        // device ID, cut to 24 characters, NUL-terminated
    uint8_t mode;             // byte 81: 0 direct, 1 relayed
    uint8_t reserved[2];
} st_PPPP_Session;

#ifdef __cplusplus
static_assert(sizeof(st_PPPP_NetInfo) == 36, "net info is 36 bytes");
static_assert(sizeof(st_PPPP_Session) == 84, "session info is 84 bytes");
static_assert(__builtin_offsetof(st_PPPP_Session, mode) == 81, "mode is byte 81");
#endif

// Bytes a channel holds written but not yet on the wire before PPPP_Write refuses more.
#define PPPP_SEND_BUFFER_CAP_BYTES (4 * 1024 * 1024)

// ---- client face ----
// 0x01000100: wire version 1, direct (LAN) sessions only.
PPPP_EXPORT uint32_t PPPP_GetAPIVersion(void);
// initString: null, empty, or the server initialisation string (upper-case letters and commas;
// 1-3 fields, each the ASCII "host:port" with every byte written as the two letters
// 'A'+(byte>>4), 'A'+(byte&15); at most 127 characters). The list is kept for rendezvous
// servers; no server is contacted in this stage. Returns 0; ERROR_PPPP_ALREADY_INITIALIZED;
// ERROR_PPPP_INVALID_PARAMETER for a malformed string, in which case the library is still
// initialised (LAN sessions need no server) but keeps no server list.
PPPP_EXPORT int PPPP_Initialize(const char* initString);
// Interrupts pending connects (they return ERROR_PPPP_USER_CONNECT_BREAK) and closes every
// session opened by PPPP_Connect/PPPP_ConnectByServer. Device-face sessions and devices are
// not touched. Returns 0 or ERROR_PPPP_NOT_INITIALIZED.
PPPP_EXPORT int PPPP_DeInitialize(void);
// Fills info with the first IPv4 address of an interface that is up (non-loopback preferred).
// Sends nothing. Returns 0, ERROR_PPPP_INVALID_PARAMETER or ERROR_PPPP_NOT_INITIALIZED.
PPPP_EXPORT int PPPP_NetworkDetect(st_PPPP_NetInfo* info, uint16_t udpPort);
// Finds the device by UDP discovery (to VANTOR_BROADCAST_ADDR) and opens a direct session.
// udpPort: local UDP port for discovery, 0 = any. Returns a session handle (>= 1) or:
// ERROR_PPPP_NOT_INITIALIZED; the invalid-ID codes; ERROR_PPPP_DEVICE_NOT_ONLINE (no answer in
// the discovery window, the device is offline, refuses this lanSearch mode or went away);
// ERROR_PPPP_TIME_OUT (the TCP connect or the handshake timed out);
// ERROR_PPPP_USER_CONNECT_BREAK; ERROR_PPPP_UDP_PORT_BIND_FAILED (udpPort taken);
// ERROR_PPPP_MAX_SESSION (no free handle here, or the device has too many waiting sessions);
// ERROR_PPPP_NO_RELAY_SERVER_AVAILABLE (any other connection failure).
PPPP_EXPORT int PPPP_Connect(const char* deviceId, char lanSearch, uint16_t udpPort);
// As PPPP_Connect after validating serverString like PPPP_Initialize's string
// (ERROR_PPPP_INVALID_PARAMETER when malformed). The servers are not contacted in this stage.
PPPP_EXPORT int PPPP_ConnectByServer(const char* deviceId, char lanSearch, uint16_t udpPort,
                                     const char* serverString);
// Makes every connect in progress in this process return ERROR_PPPP_USER_CONNECT_BREAK;
// connects started afterwards are not affected. Returns 0 or ERROR_PPPP_NOT_INITIALIZED.
PPPP_EXPORT int PPPP_Connect_Break(void);
// Returns 0 while the session is alive, else its error: ERROR_PPPP_SESSION_CLOSED_REMOTE (peer
// closed, connection broken, peer broke the protocol), ERROR_PPPP_SESSION_CLOSED_TIMEOUT
// (nothing heard for 4 keep-alive intervals: 4 s by default, VANTOR_PPPP_KEEPALIVE_MS sets the
// interval), ERROR_PPPP_SESSION_CLOSED_CALLED, ERROR_PPPP_INVALID_SESSION_HANDLE. info (may be
// null) is filled for a live or dead session; its byte 81 is 0 (direct).
PPPP_EXPORT int PPPP_Check(int session, st_PPPP_Session* info);
// Orderly close: queued bytes go out first (up to 1 s), then the peer is told. 0, or
// ERROR_PPPP_SESSION_CLOSED_CALLED when already closed, or ERROR_PPPP_INVALID_SESSION_HANDLE.
PPPP_EXPORT int PPPP_Close(int session);
// Immediate close: unsent bytes are dropped, the peer is told when possible, and threads
// blocked in PPPP_Read on the session return ERROR_PPPP_SESSION_CLOSED_CALLED. Results as
// PPPP_Close.
PPPP_EXPORT int PPPP_ForceClose(int session);
// Copies all size bytes into the channel's send buffer, or nothing; never blocks. Returns size;
// ERROR_PPPP_REMOTE_SITE_BUFFER_FULL when the buffer would pass PPPP_SEND_BUFFER_CAP_BYTES (the
// session stays usable: pace with PPPP_Check_Buffer); ERROR_PPPP_INVALID_PARAMETER (channel
// above 5, negative size, null data, size above the cap); or the session's error.
PPPP_EXPORT int PPPP_Write(int session, uint8_t channel, const char* data, int size);
// Waits up to timeout_ms until *size bytes of the channel have arrived and copies them.
// Returns 0 with all *size bytes; ERROR_PPPP_TIME_OUT with *size set to the bytes that did
// arrive (they are consumed); ERROR_PPPP_INVALID_PARAMETER (null size or data, *size <= 0,
// channel above 5). Bytes that arrived before the peer went away are still delivered; after
// them the session's error is returned with *size set to the bytes copied by this call.
PPPP_EXPORT int PPPP_Read(int session, uint8_t channel, char* data, int* size, uint32_t timeout_ms);
// Per channel: bytes written but not yet handed to the network, and bytes received but not
// yet read (either pointer may be null). Returns 0, ERROR_PPPP_INVALID_PARAMETER (channel above
// 5), or the session's error (the counts are still filled for a session that died).
PPPP_EXPORT int PPPP_Check_Buffer(int session, uint8_t channel, uint32_t* unsentWriteBytes,
                                  uint32_t* unreadBytes);

// ---- device face ----
// A device registers its ID, answers discovery for it and accepts sessions. Sessions it
// accepts are ordinary session handles: PPPP_Read/Write/Check/Check_Buffer/ForceClose apply,
// and the device code owns them (it must close each one). The device face does not need
// PPPP_Initialize. Several devices may run in one process and many processes on one machine:
// they share the discovery port (VANTOR_PPPP_DISCOVERY_PORT, default 32761). Up to 63 devices
// per process; up to 16 sessions wait for PPPP_Device_Accept, further clients are refused
// (they see ERROR_PPPP_MAX_SESSION).

#define PPPP_ACCEPT_NORMAL 0x1u   // lanSearch values other than 30-32
#define PPPP_ACCEPT_BATTERY 0x2u  // lanSearch 30, 31, 32 (battery wake-up attempts)

typedef struct {
    uint16_t sessionPort;  // TCP port for sessions; 0 = any free port
    uint16_t reserved;
    uint32_t acceptModes;  // PPPP_ACCEPT_* mask; 0 means PPPP_ACCEPT_NORMAL | PPPP_ACCEPT_BATTERY
} PPPP_DeviceOptions;

typedef struct {
    int32_t lanSearch;       // the mode the client connected with
    uint8_t remoteAddr[16];  // struct sockaddr_in of the client
} PPPP_AcceptInfo;

// Returns a device handle >= 1, or an invalid-ID code / ERROR_PPPP_UDP_PORT_BIND_FAILED /
// ERROR_PPPP_MAX_SESSION.
PPPP_EXPORT int PPPP_Device_Start(const char* deviceId, const PPPP_DeviceOptions* options);
// Waits up to timeout_ms for a client session. Returns a session handle >= 0,
// ERROR_PPPP_TIME_OUT, or ERROR_PPPP_USER_LISTEN_BREAK once the device is stopped.
PPPP_EXPORT int PPPP_Device_Accept(int device, uint32_t timeout_ms, PPPP_AcceptInfo* info);
// Offline devices ignore discovery and refuse new sessions (clients see "not online").
// Returns 0 or a device-handle error (below).
PPPP_EXPORT int PPPP_Device_SetOnline(int device, int online);
// The TCP port the device listens on, or a negative error.
PPPP_EXPORT int PPPP_Device_Port(int device);
// Stops discovery and listening and wakes Accept; sessions already accepted stay open, sessions
// not yet accepted are closed. Returns 0. On a stopped device this and every other device call
// returns ERROR_PPPP_USER_LISTEN_BREAK; an unknown device handle gives
// ERROR_PPPP_INVALID_SESSION_HANDLE.
PPPP_EXPORT int PPPP_Device_Stop(int device);

#ifdef __cplusplus
}
#endif
