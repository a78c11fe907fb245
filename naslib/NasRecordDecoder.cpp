#include "NasRecordDecoder.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CAPPacket.h"
#include "DebugOut.h"

namespace vantor {
namespace {

// Collects fields of one answer; `missing` counts keys that were not in the answer.
struct Fields {
    CAPPacket& p;
    const char* text;
    int missing = 0;

    const char* key(char* buf, const char* fmt, ...) __attribute__((format(printf, 3, 4))) {
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, kNasKeyBytes, fmt, ap);
        va_end(ap);
        return buf;
    }
    bool txt(const char* k, char* field, size_t bytes) {
        if (p.GetQuotedValue(text, k, field, bytes) == 0) {
            ++missing;
            return false;
        }
        return true;
    }
    bool num(const char* k, int32_t* field) {
        int v = 0;
        if (p.GetIntValue(text, k, &v) == 0) {
            ++missing;
            return false;
        }
        *field = v;
        return true;
    }
    // A number the device writes as a quoted text.
    bool quotedNum(const char* k, int32_t* field) {
        char buf[32] = {};
        if (!txt(k, buf, sizeof buf))
            return false;
        *field = static_cast<int32_t>(std::strtol(buf, nullptr, 10));
        return true;
    }
};

#define TXT(f, k) F.txt(k, f, sizeof(f))
#define NUM(f, k) F.num(k, &(f))

int32_t clampCount(int32_t count, int32_t capacity) {
    if (count < 0)
        return 0;
    return count > capacity ? capacity : count;
}

void parseMac(const char* text, uint8_t mac[6]) {
    unsigned v[6] = {};
    if (std::sscanf(text, "%2x:%2x:%2x:%2x:%2x:%2x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) ==
        6) {
        for (int i = 0; i < 6; ++i)
            mac[i] = static_cast<uint8_t>(v[i]);
    }
}

bool decodeStatus(Fields& F, NasStatus* r) {
    char k[kNasKeyBytes];
    TXT(r->sysVersion, "sys_ver=");
    TXT(r->deviceId, "deviceid=");
    TXT(r->alias, "alias=");
    TXT(r->apSsid, "apssid=");
    NUM(r->apEncrypt, "apencrypt=");
    TXT(r->externSsid, "externssid=");
    NUM(r->externSignal, "externsignale=");
    NUM(r->externStatus, "externstatus=");
    NUM(r->internet, "internet=");
    TXT(r->mac, "mac=");
    TXT(r->wifiMac, "wifimac=");
    NUM(r->alarmStatus, "alarm_status=");
    NUM(r->p2pStatus, "p2pstatus=");
    NUM(r->dnsStatus, "dns_status=");
    NUM(r->upnpStatus, "upnp_status=");
    NUM(r->externWifi, "externwifi=");
    NUM(r->recordSdStatus, "record_sd_status=");
    NUM(r->sdTotal, "sdtotal=");
    NUM(r->sdFree, "sdfree=");
    NUM(r->sdLevel, "sdlevel=");
    NUM(r->hardDiskStatus, "harddiskstatus=");
    NUM(r->hdPartitionNum, "hdpartitionnum=");
    for (int n = 0; n < 16; ++n)
        NUM(r->hardDisk[n], F.key(k, "harddisk%dstatus=", n));
    for (int n = 0; n < 16; ++n)
        NUM(r->partitionSize[n], F.key(k, "Partition%dsize=", n));
    for (int n = 0; n < 4; ++n)
        NUM(r->camStatus[n], F.key(k, "cam%dstatus=", n));
    return F.missing == 0;
}

bool decodeCameras(Fields& F, NasCameras* r) {
    char k[kNasKeyBytes];
    for (int c = 0; c < 4; ++c) {
        NasCamera& m = r->camera[c];
        TXT(m.alias, F.key(k, "cameraalia%d=", c));
        TXT(m.deviceId, F.key(k, "cameradeviceid%d=", c));
        TXT(m.mac, F.key(k, "cameramac%d=", c));
        TXT(m.user, F.key(k, "camerauser%d=", c));
        TXT(m.pwd, F.key(k, "camerapwd%d=", c));
        TXT(m.host, F.key(k, "camerahost%d=", c));
        NUM(m.port, F.key(k, "cameraport%d=", c));
        NUM(m.dhcp, F.key(k, "cameradhcp%d=", c));
        NUM(m.streamId, F.key(k, "camerastreamid%d=", c));
    }
    return F.missing == 0;
}

void decodeSchedule(Fields& F, const char* prefix, int32_t* slots) {
    static const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    char k[kNasKeyBytes];
    for (int d = 0; d < 7; ++d)
        for (int p = 0; p < 3; ++p)
            NUM(slots[d * 3 + p], F.key(k, "%s%s_%d=", prefix, kDays[d], p));
}

bool decodeWifiScan(Fields& F, NasWifiScan* r) {
    int32_t count = 0;
    if (!NUM(count, "ap_number=") || count == 0)
        return false;
    r->count = clampCount(count, NAS_WIFI_SCAN_MAX);
    char k[kNasKeyBytes];
    for (int i = 0; i < r->count; ++i) {
        NasWifiScanEntry& e = r->ap[i];
        TXT(e.ssid, F.key(k, "ap_ssid[%d]=", i));
        char mac[32] = {};
        if (TXT(mac, F.key(k, "ap_mac[%d]=", i)))
            parseMac(mac, e.mac);
        NUM(e.security, F.key(k, "ap_security[%d]=", i));
        F.quotedNum(F.key(k, "ap_dbm0[%d]=", i), &e.dbm0);
        F.quotedNum(F.key(k, "ap_dbm1[%d]=", i), &e.dbm1);
        NUM(e.mode, F.key(k, "ap_mode[%d]=", i));
        NUM(e.channel, F.key(k, "ap_channel[%d]=", i));
    }
    return true;
}

bool decodeCameraSearch(Fields& F, NasCameraSearch* r) {
    int32_t count = 0;
    if (!NUM(count, "searchcamertotal=") || count == 0)
        return false;
    r->count = clampCount(count, NAS_CAMERA_SEARCH_MAX);
    char k[kNasKeyBytes];
    for (int i = 0; i < r->count; ++i) {
        NasFoundCamera& e = r->camera[i];
        TXT(e.alias, F.key(k, "recordcameraalias[%d]=", i));
        TXT(e.deviceId, F.key(k, "recorddeviceid[%d]=", i));
        TXT(e.mac, F.key(k, "recordmac[%d]=", i));
        TXT(e.ipAddr, F.key(k, "recordipaddr[%d]=", i));
        NUM(e.port, F.key(k, "recordport[%d]=", i));
        TXT(e.user, F.key(k, "recorduser[%d]=", i));
        TXT(e.pwd, F.key(k, "recordpwd[%d]=", i));
        NUM(e.dhcp, F.key(k, "recorddhcp[%d]=", i));
        NUM(e.streamId, F.key(k, "recordstreamid[%d]=", i));
    }
    return true;
}

bool decodePlugTimers(Fields& F, NasPlugTimers* r) {
    int32_t count = 0;
    if (!NUM(count, "count=") || count <= 0)
        return false;
    r->count = clampCount(count, NAS_PLUG_TIMER_MAX);
    static const char* const kDays[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
    char k[kNasKeyBytes];
    for (int i = 0; i < r->count; ++i) {
        NasPlugTimerEntry& e = r->timer[i];
        NUM(e.used, F.key(k, "used%d=", i));
        NUM(e.enable, F.key(k, "enable%d=", i));
        NUM(e.startTime, F.key(k, "starttime%d=", i));
        NUM(e.endTime, F.key(k, "endtime%d=", i));
        for (int d = 0; d < 7; ++d)
            NUM(e.day[d], F.key(k, "%s%d=", kDays[d], i));
    }
    return true;
}

bool decodeAccessories(Fields& F, NasAccessories* r) {
    char k[kNasKeyBytes];
    for (int z = 0; z < NAS_ACCESSORY_ZONES; ++z) {
        for (int s = 0; s < NAS_ACCESSORY_POSITIONS; ++s) {
            NasAccessory& e = r->entry[z][s];
            NUM(e.cam, F.key(k, "alarmcam[%d][%d]=", z, s));
            NUM(e.key, F.key(k, "alarmkey[%d][%d]=", z, s));
            NUM(e.ptz, F.key(k, "alarmptz[%d][%d]=", z, s));
            TXT(e.alias, F.key(k, "alarmalias[%d][%d]=", z, s));
            NUM(e.linkChannel, F.key(k, "alarmlinkchnl[%d][%d]=", z, s));
            NUM(e.bound, F.key(k, "alarmbound[%d][%d]=", z, s));
        }
    }
    for (int z = 0; z < NAS_ACCESSORY_ZONES; ++z)
        NUM(r->zoneAudio[z], F.key(k, "alarmaudio[%d]=", z));
    NUM(r->zoneStatus, "zonestatus=");
    return true;
}

bool decodeAlarmList(Fields& F, NasAlarmList* r) {
    int32_t count = 0;
    if (!NUM(count, "searchalarmtotal=") || count <= 0)
        return false;
    r->count = clampCount(count, NAS_FOUND_ACCESSORY_MAX);
    char k[kNasKeyBytes];
    for (int i = 0; i < r->count; ++i)
        NUM(r->keyValue[i], F.key(k, "keyvalue[%d]=", i));
    return true;
}

bool decodeScenes(Fields& F, NasScenes* r) {
    char k[kNasKeyBytes];
    for (int i = 0; i < NAS_SCENE_MAX; ++i) {
        NasScene& e = r->scene[i];
        NUM(e.used, F.key(k, "using[%d]=", i));
        NUM(e.bound, F.key(k, "bound[%d]=", i));
        NUM(e.type, F.key(k, "type[%d]=", i));
        NUM(e.position, F.key(k, "sit[%d]=", i));
        TXT(e.name, F.key(k, "name[%d]=", i));
        NUM(e.sceneType, F.key(k, "scenetype[%d]=", i));
    }
    return true;
}

bool decode(Fields& F, int type, void* rec) {
    switch (type) {
        case 0x2100: {
            auto* r = static_cast<NasLogin*>(rec);
            TXT(r->user, "user=");
            TXT(r->pwd, "pwd=");
            NUM(r->privilege, "pri=");
            return F.missing == 0;
        }
        case 0x2101:
            return decodeStatus(F, static_cast<NasStatus*>(rec));
        case 0x2102:
            return decodeCameras(F, static_cast<NasCameras*>(rec));
        case 0x2104: {
            auto* r = static_cast<NasDateTime*>(rec);
            NUM(r->now, "now=");
            NUM(r->tz, "tz=");
            NUM(r->ntpEnable, "ntpenable=");
            TXT(r->ntpServer, "ntpsvr=");
            NUM(r->ntpInterval, "ntpinterval=");
            return F.missing == 0;
        }
        case 0x2105: {
            auto* r = static_cast<NasPppoe*>(rec);
            NUM(r->enable, "pppoeenable=");
            TXT(r->user, "pppoeuser=");
            TXT(r->pwd, "pppoepwd=");
            return F.missing == 0;
        }
        case 0x2106: {
            auto* r = static_cast<NasDdns*>(rec);
            NUM(r->service, "ddnsservice=");
            TXT(r->user, "ddnsuser=");
            TXT(r->pwd, "ddnspwd=");
            TXT(r->hostName, "hostname=");
            TXT(r->server, "ddnssvr=");
            NUM(r->port, "ddnsport=");
            return F.missing == 0;
        }
        case 0x2107: {
            auto* r = static_cast<NasRecordSchedule*>(rec);
            char k[kNasKeyBytes];
            NUM(r->coverEnable, "record_cover_enable=");
            NUM(r->timeEnable, "record_time_enable=");
            NUM(r->audioEnable, "record_audio_enable=");
            for (int n = 0; n < 4; ++n)
                NUM(r->camera[n], F.key(k, "recordcamera%d=", n));
            NUM(r->cameraMotion, "recorcameramotion=");
            NUM(r->cameraGpio, "recorcameragpio=");
            decodeSchedule(F, "record_schedule_", r->schedule);
            return true;
        }
        case 0x2109: {
            auto* r = static_cast<NasAlarm*>(rec);
            char k[kNasKeyBytes];
            NUM(r->scheduleEnable, "alarm_schedule_enable=");
            for (int n = 0; n < 4; ++n)
                NUM(r->cameraEnable[n], F.key(k, "cameraenable%d=", n));
            NUM(r->smoke, "smoke=");
            NUM(r->pir, "pir=");
            NUM(r->irc, "irc=");
            NUM(r->doorSensor, "doorsensor=");
            NUM(r->gas, "gas=");
            NUM(r->inputArmed, "alarm_input_armed=");
            NUM(r->presetSit, "alarm_preset_sit=");
            NUM(r->inputLevel, "alarm_input_level=");
            NUM(r->linkageEnable, "alarm_linkage_enable=");
            NUM(r->outputLevel, "alarm_output_level=");
            NUM(r->mail, "alarm_mail=");
            NUM(r->uploadInterval, "upload_interval=");
            decodeSchedule(F, "alarm_schedule_", r->schedule);
            return F.missing == 0;
        }
        case 0x210A: {
            auto* r = static_cast<NasMail*>(rec);
            char k[kNasKeyBytes];
            TXT(r->server, "mail_svr=");
            NUM(r->port, "mail_port=");
            TXT(r->user, "mail_user=");
            TXT(r->pwd, "mail_pwd=");
            NUM(r->ssl, "mailssl=");
            TXT(r->sender, "mail_sender=");
            for (int n = 0; n < 4; ++n)
                TXT(r->receiver[n], F.key(k, "mail_receiver%d=", n + 1));
            return F.missing == 0;
        }
        case 0x210B: {
            auto* r = static_cast<NasFtp*>(rec);
            TXT(r->server, "ftp_svr=");
            NUM(r->port, "ftp_port=");
            TXT(r->user, "ftp_user=");
            TXT(r->pwd, "ftp_pwd=");
            TXT(r->dir, "ftp_dir=");
            NUM(r->mode, "ftp_mode=");
            return F.missing == 0;
        }
        case 0x210C: {
            auto* r = static_cast<NasNetwork*>(rec);
            TXT(r->ipAddr, "ipaddr=");
            TXT(r->mask, "mask=");
            TXT(r->gateway, "gateway=");
            NUM(r->httpPort, "port=");
            NUM(r->rtspPort, "rtspport=");
            NUM(r->dhcp, "dhcpen=");
            TXT(r->dns1, "dns1=");
            TXT(r->dns2, "dns2=");
            return F.missing == 0;
        }
        case 0x210D: {
            auto* r = static_cast<NasApWifi*>(rec);
            NUM(r->enable, "apenable=");
            NUM(r->encrypt, "apencrypt=");
            TXT(r->ssid, "apssid=");
            TXT(r->psk, "appsk=");
            NUM(r->channel, "apchannel=");
            TXT(r->ipAddr, "apipaddr=");
            TXT(r->mask, "apmask=");
            NUM(r->mode, "apmode=");
            TXT(r->startIp, "apstartip=");
            TXT(r->endIp, "apendip=");
            return F.missing == 0;
        }
        case 0x210E: {
            auto* r = static_cast<NasWifi*>(rec);
            NUM(r->enable, "wifi_enable=");
            TXT(r->ssid, "wifi_ssid=");
            NUM(r->channel, "wifi_channel=");
            NUM(r->mode, "wifi_mode=");
            NUM(r->encrypt, "wifi_encrypt=");
            TXT(r->psk, "wifi_psk=");
            return F.missing == 0;
        }
        case 0x210F:
            return decodeWifiScan(F, static_cast<NasWifiScan*>(rec));
        case 0x2110: {
            auto* r = static_cast<NasFactory*>(rec);
            TXT(r->user, "factory_user=");
            NUM(r->status, "factory_status=");
            TXT(r->server, "factory_server=");
            NUM(r->port, "factory_port=");
            TXT(r->passwd, "factory_passwd=");
            NUM(r->mode, "factory_mode=");
            NUM(r->index, "factory_index=");
            NUM(r->heartbeat, "factory_heatbeat=");
            return F.missing == 0;
        }
        case 0x2111: {
            auto* r = static_cast<NasPnpServer*>(rec);
            TXT(r->server, "pnpserver=");
            NUM(r->port, "pnpport=");
            TXT(r->user, "pnpuser=");
            TXT(r->pwd, "pnppwd=");
            return F.missing == 0;
        }
        case 0x2112: {
            auto* r = static_cast<NasUsers*>(rec);
            TXT(r->user1, "user1_name=");
            TXT(r->pwd1, "user1_pwd=");
            TXT(r->user2, "user2_name=");
            TXT(r->pwd2, "user2_pwd=");
            TXT(r->user3, "user3_name=");
            TXT(r->pwd3, "user3_pwd=");
            return F.missing == 0;
        }
        case 0x2113:
            return decodeCameraSearch(F, static_cast<NasCameraSearch*>(rec));
        case 0x2015:
            return TXT(static_cast<NasPlugDirect*>(rec)->ssid, "direct_ssid=");
        case 0x2115:
            return NUM(static_cast<NasPlugRelay*>(rec)->status, "status=");
        case 0x2116:
            return decodePlugTimers(F, static_cast<NasPlugTimers*>(rec));
        case 0x2117:
            // The device's enable value is not taken: the record reports only the minutes.
            return NUM(static_cast<NasPlugDelay*>(rec)->minutes, "minute=");
        case 0x2118:
            return TXT(static_cast<NasPlugKey*>(rec)->key, "key=");
        case 0x2119:
            return TXT(static_cast<NasAppVersion*>(rec)->version, "app_version=");
        case 0x211A:
            return decodeAccessories(F, static_cast<NasAccessories*>(rec));
        case 0x211C:
            return NUM(static_cast<NasConfigResult*>(rec)->isConfig, "Isconfig=");
        case 0x211E:
            return decodeAlarmList(F, static_cast<NasAlarmList*>(rec));
        case 0x211F:
            return decodeScenes(F, static_cast<NasScenes*>(rec));
        default:
            return false;
    }
}

struct RecordSize {
    int type;
    size_t bytes;
};
constexpr RecordSize kSizes[] = {
    {0x2100, sizeof(NasLogin)},          {0x2101, sizeof(NasStatus)},
    {0x2102, sizeof(NasCameras)},        {0x2104, sizeof(NasDateTime)},
    {0x2105, sizeof(NasPppoe)},          {0x2106, sizeof(NasDdns)},
    {0x2107, sizeof(NasRecordSchedule)}, {0x2109, sizeof(NasAlarm)},
    {0x210A, sizeof(NasMail)},           {0x210B, sizeof(NasFtp)},
    {0x210C, sizeof(NasNetwork)},        {0x210D, sizeof(NasApWifi)},
    {0x210E, sizeof(NasWifi)},           {0x210F, sizeof(NasWifiScan)},
    {0x2110, sizeof(NasFactory)},        {0x2111, sizeof(NasPnpServer)},
    {0x2112, sizeof(NasUsers)},          {0x2113, sizeof(NasCameraSearch)},
    {0x2015, sizeof(NasPlugDirect)},     {0x2115, sizeof(NasPlugRelay)},
    {0x2116, sizeof(NasPlugTimers)},     {0x2117, sizeof(NasPlugDelay)},
    {0x2118, sizeof(NasPlugKey)},        {0x2119, sizeof(NasAppVersion)},
    {0x211A, sizeof(NasAccessories)},    {0x211C, sizeof(NasConfigResult)},
    {0x211E, sizeof(NasAlarmList)},      {0x211F, sizeof(NasScenes)},
};

}  // namespace

bool NasRecordDecoder::Decode(CAPPacket& packet, int recordType, const char* text, void* record,
                              size_t recordBytes) {
    if (text == nullptr || record == nullptr)
        return false;
    bool known = false;
    for (const auto& s : kSizes) {
        if (s.type == recordType) {
            known = s.bytes == recordBytes;
            break;
        }
    }
    if (!known)
        return false;
    std::memset(record, 0, recordBytes);
    Fields F{packet, text};
    return decode(F, recordType, record);
}

int NasRecordDecoder::DecodeRecordFiles(
    CAPPacket& packet, const char* text,
    const std::function<void(const NasRecordFileEntry&)>& deliver) {
    int count = 0;
    if (text == nullptr || packet.GetIntValue(text, "record_num0=", &count) == 0 || count < 1) {
        DebugOut("%s: line:%d record count is zero.\n", "CAPNasPacket::UnPacketRecordFileListV2",
                 915);
        return 0;
    }
    int entries = count > kNasRecordFileMaxEntries ? kNasRecordFileMaxEntries : count;
    Fields F{packet, text};
    char k[kNasKeyBytes];
    for (int i = 0; i < entries; ++i) {
        NasRecordFileEntry e{};
        e.total = count;
        e.index = i + 1;
        TXT(e.name, F.key(k, "record_name0[%d]=", i));
        NUM(e.channel, F.key(k, "record_channel0[%d]=", i));
        NUM(e.size, F.key(k, "record_size0[%d]=", i));
        NUM(e.alarmType, F.key(k, "record_alarmtype0[%d]=", i));
        NUM(e.startTime, F.key(k, "record_starttime0[%d]=", i));
        NUM(e.endTime, F.key(k, "record_endtime0[%d]=", i));
        NUM(e.partition, F.key(k, "record_partition0[%d]=", i));
        if (deliver)
            deliver(e);
    }
    return entries;
}

bool NasRecordDecoder::IsOk(CAPPacket& packet, const char* text) {
    if (text == nullptr)
        return false;
    if (std::strstr(text, "result= 0") != nullptr)
        return true;
    char value[8] = {};
    return packet.GetQuotedValue(text, "result=", value, sizeof value) != 0 &&
           std::strcmp(value, "ok") == 0;
}

int NasRecordDecoder::MapAlarmType(int32_t t) {
    switch (t) {
        case 0:
            return 25;
        case 1:
        case 5:
            return 33;
        case 2:
            return 32;
        case 3:
        case 4:
            return 36;
        case 6:
            return 37;
        case 7:
            return 38;
        case 8:
            return 39;
        case 9:
            return 40;
        case 10:
            return 41;
        case 96:
            return 96;
        default:
            return (t >= 64 && t <= 95) ? t : -1;
    }
}

}  // namespace vantor
