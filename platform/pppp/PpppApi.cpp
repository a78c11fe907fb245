// The exported C functions: argument checks, handle look-ups and the process-wide state.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Connector.h"
#include "Device.h"
#include "PPPP_API.h"
#include "Registry.h"
#include "ServerList.h"
#include "Session.h"
#include "Trace.h"
#include "pppp_wire.h"

using vantor::pppp::Connector;
using vantor::pppp::Device;
using vantor::pppp::HandleTable;
using vantor::pppp::IdCheck;
using vantor::pppp::Registry;
using vantor::pppp::ServerList;
using vantor::pppp::Session;
using vantor::pppp::Trace;

namespace {

constexpr uint32_t kApiVersion = 0x01000100;  // 1.0.1.0: wire version 1, stage 1

struct ClientState {
    std::mutex mutex;
    bool initialised = false;                 // guarded by mutex
    std::vector<ServerList::Server> servers;  // guarded by mutex; kept for stage 2
};

ClientState& state() {
    static auto* s = new ClientState;  // never destroyed: threads may still call at exit
    return *s;
}

bool initialised() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().initialised;
}

int idError(const char* id) {
    switch (vantor::pppp::checkDeviceId(id)) {
        case IdCheck::kValid:
            return 0;
        case IdCheck::kBadPrefix:
            return ERROR_PPPP_INVALID_PREFIX;
        case IdCheck::kBadCharacter:
            return ERROR_PPPP_ID_OUT_OF_DATE;
        default:
            return ERROR_PPPP_INVALID_ID;
    }
}

int sessionError(HandleTable<Session>::Found found) {
    return found == HandleTable<Session>::Found::kRetired ? ERROR_PPPP_SESSION_CLOSED_CALLED
                                                          : ERROR_PPPP_INVALID_SESSION_HANDLE;
}

std::shared_ptr<Session> findSession(int handle, int* error) {
    HandleTable<Session>::Found found;
    auto s = Registry::sessions().get(handle, &found);
    if (s == nullptr)
        *error = sessionError(found);
    return s;
}

int closeSession(int handle, bool graceful) {
    HandleTable<Session>::Found found;
    auto s = Registry::sessions().retire(handle, &found);
    if (s == nullptr)
        return sessionError(found);
    s->close(graceful);
    return ERROR_PPPP_SUCCESSFUL;
}

std::shared_ptr<Device> findDevice(int handle, int* error) {
    HandleTable<Device>::Found found;
    auto d = Registry::devices().get(handle, &found);
    if (d == nullptr)
        *error = found == HandleTable<Device>::Found::kRetired ? ERROR_PPPP_USER_LISTEN_BREAK
                                                               : ERROR_PPPP_INVALID_SESSION_HANDLE;
    return d;
}

int connectChecked(const char* deviceId, char lanSearch, uint16_t udpPort) {
    if (!initialised())
        return ERROR_PPPP_NOT_INITIALIZED;
    if (int e = idError(deviceId))
        return e;
    int handle = Connector::connect(deviceId, lanSearch, udpPort);
    if (handle >= 0 && !initialised()) {
        // De-initialised while this connect ran: the session must not outlive the library.
        closeSession(handle, false);
        return ERROR_PPPP_NOT_INITIALIZED;
    }
    return handle;
}

}  // namespace

extern "C" {

uint32_t PPPP_GetAPIVersion(void) {
    return kApiVersion;
}

int PPPP_Initialize(const char* initString) {
    std::vector<ServerList::Server> servers;
    bool valid =
        initString == nullptr || initString[0] == '\0' || ServerList::parse(initString, &servers);
    std::lock_guard<std::mutex> lock(state().mutex);
    if (state().initialised)
        return ERROR_PPPP_ALREADY_INITIALIZED;
    // Initialised either way: LAN sessions need no server, and callers ignore this result.
    state().initialised = true;
    state().servers = std::move(servers);
    if (!valid) {
        Trace("initialisation string refused; LAN only");
        return ERROR_PPPP_INVALID_PARAMETER;
    }
    return ERROR_PPPP_SUCCESSFUL;
}

int PPPP_DeInitialize(void) {
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (!state().initialised)
            return ERROR_PPPP_NOT_INITIALIZED;
        state().initialised = false;
        state().servers.clear();
    }
    Connector::breakAll();
    for (auto& s : Registry::sessions().retireTagged(Registry::kClientTag))
        s->close(false);
    return ERROR_PPPP_SUCCESSFUL;
}

int PPPP_NetworkDetect(st_PPPP_NetInfo* info, uint16_t udpPort) {
    (void)udpPort;  // nothing is sent in stage 1
    if (info == nullptr)
        return ERROR_PPPP_INVALID_PARAMETER;
    std::memset(info, 0, sizeof *info);
    if (!initialised())
        return ERROR_PPPP_NOT_INITIALIZED;
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return ERROR_PPPP_SUCCESSFUL;
    // The first IPv4 address of an interface that is up, preferring one that is not loopback.
    for (int pass = 0; pass < 2 && !info->localAddressValid; ++pass) {
        for (struct ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
            if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
                continue;
            if (!(i->ifa_flags & IFF_UP))
                continue;
            if (pass == 0 && (i->ifa_flags & IFF_LOOPBACK))
                continue;
            auto* a = reinterpret_cast<sockaddr_in*>(i->ifa_addr);
            if (inet_ntop(AF_INET, &a->sin_addr, info->localAddress, sizeof info->localAddress)) {
                info->localAddressValid = 1;
                break;
            }
        }
    }
    freeifaddrs(list);
    return ERROR_PPPP_SUCCESSFUL;
}

int PPPP_Connect(const char* deviceId, char lanSearch, uint16_t udpPort) {
    return connectChecked(deviceId, lanSearch, udpPort);
}

int PPPP_ConnectByServer(const char* deviceId, char lanSearch, uint16_t udpPort,
                         const char* serverString) {
    if (!initialised())
        return ERROR_PPPP_NOT_INITIALIZED;
    if (int e = idError(deviceId))
        return e;
    std::vector<ServerList::Server> servers;
    if (!ServerList::parse(serverString, &servers))
        return ERROR_PPPP_INVALID_PARAMETER;
    // Stage 1 reaches every device directly on the LAN; the servers are not contacted.
    return connectChecked(deviceId, lanSearch, udpPort);
}

int PPPP_Connect_Break(void) {
    if (!initialised())
        return ERROR_PPPP_NOT_INITIALIZED;
    Connector::breakAll();
    return ERROR_PPPP_SUCCESSFUL;
}

int PPPP_Check(int session, st_PPPP_Session* info) {
    int error = 0;
    auto s = findSession(session, &error);
    if (s == nullptr)
        return error;
    return s->check(info);
}

int PPPP_Close(int session) {
    return closeSession(session, true);
}

int PPPP_ForceClose(int session) {
    return closeSession(session, false);
}

int PPPP_Write(int session, uint8_t channel, const char* data, int size) {
    int error = 0;
    auto s = findSession(session, &error);
    if (s == nullptr)
        return error;
    return s->write(channel, data, size);
}

int PPPP_Read(int session, uint8_t channel, char* data, int* size, uint32_t timeout_ms) {
    int error = 0;
    auto s = findSession(session, &error);
    if (s == nullptr) {
        if (size != nullptr)
            *size = 0;
        return error;
    }
    return s->read(channel, data, size, timeout_ms);
}

int PPPP_Check_Buffer(int session, uint8_t channel, uint32_t* unsentWriteBytes,
                      uint32_t* unreadBytes) {
    int error = 0;
    auto s = findSession(session, &error);
    if (s == nullptr)
        return error;
    return s->checkBuffer(channel, unsentWriteBytes, unreadBytes);
}

int PPPP_Device_Start(const char* deviceId, const PPPP_DeviceOptions* options) {
    if (int e = idError(deviceId))
        return e;
    PPPP_DeviceOptions opts{};
    if (options != nullptr)
        opts = *options;
    auto device = std::make_shared<Device>(deviceId, opts);
    if (int e = device->start())
        return e;
    int handle = Registry::devices().add(device, 0);
    if (handle < 0) {
        device->stop();
        return ERROR_PPPP_MAX_SESSION;
    }
    return handle;
}

int PPPP_Device_Accept(int device, uint32_t timeout_ms, PPPP_AcceptInfo* info) {
    int error = 0;
    auto d = findDevice(device, &error);
    if (d == nullptr)
        return error;
    return d->accept(timeout_ms, info);
}

int PPPP_Device_SetOnline(int device, int online) {
    int error = 0;
    auto d = findDevice(device, &error);
    if (d == nullptr)
        return error;
    d->setOnline(online != 0);
    return ERROR_PPPP_SUCCESSFUL;
}

int PPPP_Device_Port(int device) {
    int error = 0;
    auto d = findDevice(device, &error);
    if (d == nullptr)
        return error;
    return d->port();
}

int PPPP_Device_Stop(int device) {
    HandleTable<Device>::Found found;
    auto d = Registry::devices().retire(device, &found);
    if (d == nullptr)
        return found == HandleTable<Device>::Found::kRetired ? ERROR_PPPP_USER_LISTEN_BREAK
                                                             : ERROR_PPPP_INVALID_SESSION_HANDLE;
    d->stop();
    return ERROR_PPPP_SUCCESSFUL;
}

}  // extern "C"
