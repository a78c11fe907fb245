/* Connection record handed by value to device_net_work_createInstance and
 * nas_net_work_createInstance.
 *
 * 260 bytes, packed, little-endian. Every text is NUL-terminated inside its 64-byte field; a
 * reader must not rely on the terminator being present (copy with the field size as bound).
 * Which fields matter depends on the connection kind: host and port for TCP sessions, the
 * device ID for P2P sessions; user and password always.
 * Ownership: plain data, copied by the receiver. */
#ifndef VANTOR_DEVICE_CONNECT_INFO_H
#define VANTOR_DEVICE_CONNECT_INFO_H

#include <stddef.h>
#include <stdint.h>

#define DEVICE_CONNECT_TEXT_BYTES 64

#pragma pack(push, 1)
typedef struct DeviceConnectInfo {
    char user[DEVICE_CONNECT_TEXT_BYTES];
    char password[DEVICE_CONNECT_TEXT_BYTES];
    char host[DEVICE_CONNECT_TEXT_BYTES];     /* address or host name (TCP sessions) */
    int32_t port;                             /* TCP port (TCP sessions) */
    char deviceId[DEVICE_CONNECT_TEXT_BYTES]; /* P2P device ID, 3 to 31 characters */
} DeviceConnectInfo;
#pragma pack(pop)

#ifdef __cplusplus
#define VANTOR_DCI_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define VANTOR_DCI_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

VANTOR_DCI_ASSERT(sizeof(DeviceConnectInfo) == 260, "DeviceConnectInfo is 260 bytes");
VANTOR_DCI_ASSERT(offsetof(DeviceConnectInfo, user) == 0, "user at 0");
VANTOR_DCI_ASSERT(offsetof(DeviceConnectInfo, password) == 64, "password at 64");
VANTOR_DCI_ASSERT(offsetof(DeviceConnectInfo, host) == 128, "host at 128");
VANTOR_DCI_ASSERT(offsetof(DeviceConnectInfo, port) == 192, "port at 192");
VANTOR_DCI_ASSERT(offsetof(DeviceConnectInfo, deviceId) == 196, "device ID at 196");

#undef VANTOR_DCI_ASSERT

#endif /* VANTOR_DEVICE_CONNECT_INFO_H */
