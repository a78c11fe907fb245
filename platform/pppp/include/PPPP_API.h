// Vantor P2P transport ("pppp"): the client face the network libraries call, and the device
// face that devices (the simulator, firmware) use to be reached by their device ID.
//
// This header is the contract. The wire protocol and the threading inside are described in
// the implementation's header comment (pppp_wire.h) and are kept stable.
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
    int32_t socket;            // 0: the transport's own descriptor
    uint8_t remoteAddr[16];    // struct sockaddr_in of the peer
    uint8_t localAddr[16];     // struct sockaddr_in of this end
    uint8_t wanAddr[16];       // zero in stage 1
    uint32_t connectSeconds;   // seconds the session has been up
    char deviceId[25];         // device ID, cut to 24 characters, NUL-terminated
    uint8_t mode;              // byte 81: 0 direct, 1 relayed
    uint8_t reserved[2];
} st_PPPP_Session;

#ifdef __cplusplus
static_assert(sizeof(st_PPPP_NetInfo) == 36, "net info is 36 bytes");
static_assert(sizeof(st_PPPP_Session) == 84, "session info is 84 bytes");
static_assert(__builtin_offsetof(st_PPPP_Session, mode) == 81, "mode is byte 81");
#endif

// ---- client face ----
PPPP_EXPORT uint32_t PPPP_GetAPIVersion(void);
PPPP_EXPORT int PPPP_Initialize(const char* initString);
PPPP_EXPORT int PPPP_DeInitialize(void);
PPPP_EXPORT int PPPP_NetworkDetect(st_PPPP_NetInfo* info, uint16_t udpPort);
PPPP_EXPORT int PPPP_Connect(const char* deviceId, char lanSearch, uint16_t udpPort);
PPPP_EXPORT int PPPP_ConnectByServer(const char* deviceId, char lanSearch, uint16_t udpPort,
                                     const char* serverString);
PPPP_EXPORT int PPPP_Connect_Break(void);
PPPP_EXPORT int PPPP_Check(int session, st_PPPP_Session* info);
PPPP_EXPORT int PPPP_Close(int session);
PPPP_EXPORT int PPPP_ForceClose(int session);
PPPP_EXPORT int PPPP_Write(int session, uint8_t channel, const char* data, int size);
PPPP_EXPORT int PPPP_Read(int session, uint8_t channel, char* data, int* size,
                          uint32_t timeout_ms);
PPPP_EXPORT int PPPP_Check_Buffer(int session, uint8_t channel, uint32_t* unsentWriteBytes,
                                  uint32_t* unreadBytes);

// ---- device face ----
// A device registers its ID, answers discovery for it and accepts sessions. Sessions it
// accepts are ordinary session handles: PPPP_Read/Write/Check/Check_Buffer/ForceClose apply.
// The device face does not need PPPP_Initialize. Several devices may run in one process.

#define PPPP_ACCEPT_NORMAL 0x1u   // lanSearch values other than 30-32
#define PPPP_ACCEPT_BATTERY 0x2u  // lanSearch 30, 31, 32 (battery wake-up attempts)

typedef struct {
    uint16_t sessionPort;  // TCP port for sessions; 0 = any free port
    uint16_t reserved;
    uint32_t acceptModes;  // PPPP_ACCEPT_* mask; 0 means PPPP_ACCEPT_NORMAL | PPPP_ACCEPT_BATTERY
} PPPP_DeviceOptions;

typedef struct {
    int32_t lanSearch;        // the mode the client connected with
    uint8_t remoteAddr[16];   // struct sockaddr_in of the client
} PPPP_AcceptInfo;

// Returns a device handle >= 0, or ERROR_PPPP_INVALID_ID / ERROR_PPPP_UDP_PORT_BIND_FAILED /
// ERROR_PPPP_MAX_SESSION.
PPPP_EXPORT int PPPP_Device_Start(const char* deviceId, const PPPP_DeviceOptions* options);
// Waits up to timeout_ms for a client session. Returns a session handle >= 0,
// ERROR_PPPP_TIME_OUT, or ERROR_PPPP_USER_LISTEN_BREAK once the device is stopped.
PPPP_EXPORT int PPPP_Device_Accept(int device, uint32_t timeout_ms, PPPP_AcceptInfo* info);
// Offline devices ignore discovery and refuse new sessions (clients see "not online").
PPPP_EXPORT int PPPP_Device_SetOnline(int device, int online);
// The TCP port the device listens on, or a negative error.
PPPP_EXPORT int PPPP_Device_Port(int device);
// Stops discovery and listening and wakes Accept; sessions already accepted stay open.
PPPP_EXPORT int PPPP_Device_Stop(int device);

#ifdef __cplusplus
}
#endif
