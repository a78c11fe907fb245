/* Parameter records of the camera library (darvel).
 *
 * Every record crossing between darvel and its caller is a packed little-endian block of
 * 32-bit signed ints and NUL-terminated byte strings in fixed fields. Records handed to the
 * parameter-data callback belong to the library and are valid only during the call. Records
 * passed to device_net_work_set_param use the layout of the matching get record; a text field
 * given by the caller that fills its whole width without a NUL is used up to its width.
 *
 * Decoded texts longer than their field are cut at the field (the last byte stays NUL).
 */
#ifndef DARVEL_RECORDS_H
#define DARVEL_RECORDS_H

#include <stdint.h>

#ifdef __cplusplus
#define DARVEL_STATIC_ASSERT(c, m) static_assert(c, m)
#include <cstddef>
#else
#include <stddef.h>
#define DARVEL_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* ---- parameter type codes ---- */
enum {
    DARVEL_SET_NETWORK = 0x2000,
    DARVEL_GET_NETWORK = 0x2001,
    DARVEL_SET_USERS = 0x2002,
    DARVEL_GET_USERS = 0x2003,
    DARVEL_SET_DDNS = 0x2004,
    DARVEL_GET_DDNS = 0x2005,
    DARVEL_SET_FTP = 0x2006,
    DARVEL_GET_FTP = 0x2007,
    DARVEL_SET_MAIL = 0x2008,
    DARVEL_GET_MAIL = 0x2009,
    DARVEL_SET_MISC = 0x2010,
    DARVEL_GET_MISC = 0x2011,
    DARVEL_SET_WIFI = 0x2012,
    DARVEL_GET_WIFI = 0x2013,
    DARVEL_WIFI_SCAN = 0x2014, /* request the scan; the scan record is delivered as this type */
    DARVEL_SET_DATETIME = 0x2015,
    DARVEL_GET_DATETIME = 0x2016,
    DARVEL_SET_ALARM = 0x2017,
    DARVEL_GET_ALARM = 0x2018,
    DARVEL_GET_RECORD_SCHEDULE = 0x2021,
    DARVEL_SET_RECORD_SCHEDULE = 0x2022,
    DARVEL_FORMAT_SD = 0x2024,
    DARVEL_GET_CAMERA_PARAMS = 0x2025,
    DARVEL_CAMERA_CONTROL = 0x2026,
    DARVEL_SET_FACTORY = 0x2027,
    DARVEL_REBOOT = 0x2700,
    DARVEL_GET_STATUS = 0x2701,
    DARVEL_SET_ALIAS = 0x2702,
    DARVEL_GET_APWIFI = 0x2703,
    DARVEL_SET_APWIFI = 0x2704,
    DARVEL_LOGIN = 0x2705,
    DARVEL_RECORD_SEARCH = 0x2706,
    DARVEL_WIFI_SCAN_RESULT = 0x2707,
    DARVEL_CHECK_USER = 0x2708,
    DARVEL_GET_ONVIF = 0x2709,
    DARVEL_SET_ONVIF = 0x270A,
    DARVEL_GET_RTSP = 0x270B,
    DARVEL_SET_RTSP = 0x270C,
    DARVEL_GET_ONLINE_USER = 0x270D,
    DARVEL_SNAPSHOT = 0x270E,
    DARVEL_RESTORE_FACTORY = 0x2710,
    DARVEL_GET_ALARM_LINKAGE = 0x2713,
    DARVEL_UPGRADE_FIRMWARE = 0x2717,
    DARVEL_TRANSFER_PROGRESS = 0x2718,
    DARVEL_UPGRADE_CONFIRM = 0x2719,
    DARVEL_GET_FILE_MD5 = 0x271A,
    DARVEL_GET_DOORBELL_LANGUAGE = 0x271C,
    DARVEL_GET_ALARM_PTZ = 0x271F,
    DARVEL_GET_DOORBELL_USER = 0x2722,
    DARVEL_SERIAL_INPUT = 0x2725,
    DARVEL_SERIAL_ANSWER = 0x2726,
    DARVEL_RECORD_JPEG = 0x2727,
    DARVEL_GET_WAKEWORD = 0x272B,
    DARVEL_GET_SWITCH_MODULE = 0x272D,
    DARVEL_GET_SMART_LIGHT = 0x272F,
    DARVEL_GET_WIFI_LIST = 0x2730,
    DARVEL_MAIL_TEST = 0x2732,
    DARVEL_MAIL_TEST_RESULT = 0x2733,
    DARVEL_DEVICE_LOG = 0x2734,
    DARVEL_GET_SMART_RECORD = 0x2737,
    DARVEL_GET_PUSH = 0x2739,
    DARVEL_GET_PRESET_STATUS = 0x273A,
    DARVEL_GET_WEB_TELNET = 0x273B,
    DARVEL_GET_BUZZER = 0x273E,
    DARVEL_GET_ALARM_TIMES = 0x2741,
    DARVEL_FTP_TEST = 0x2742,
    DARVEL_FTP_TEST_RESULT = 0x2743,
    DARVEL_GET_ALARM_SWITCH = 0x2745,
    DARVEL_GET_P2P_USER = 0x2746,
    DARVEL_GET_BAT_DOORBELL = 0x2749,
    DARVEL_RECORD_PAGE = 0x2766,
    DARVEL_TRANSFER_START = 0x5001,
    DARVEL_TRANSFER_DATA = 0x5002,
    DARVEL_TRANSFER_END = 0x5003,
    DARVEL_PLAYBACK = 0x5004,
    DARVEL_SET_AREA_ALARM_SWITCH = 0x6104,
    DARVEL_GET_AREA_ALARM_SWITCH = 0x6105,
    DARVEL_DELETE_TF_FILES = 0x6106,
    DARVEL_TF_PICTURE = 0x6107
};

/* ---- named bounds of the text fields ---- */
#define DARVEL_TEXT32 32
#define DARVEL_TEXT64 64
#define DARVEL_TEXT96 96
#define DARVEL_TEXT128 128
#define DARVEL_WIFI_SCAN_MAX 32
#define DARVEL_PUSH_MAX 16
#define DARVEL_PRESET_MAX 16
#define DARVEL_ALARM_PTZ_MAX 32
#define DARVEL_SCHEDULE_INTS 21 /* 7 days x 3 words */
#define DARVEL_TF_NAME 256
#define DARVEL_TF_NAMES 10

#pragma pack(push, 1)

/* 0x2001 / 0x2000 */
typedef struct {
    char ip[64];
    char mask[64];
    char gateway[64];
    char dns1[64];
    char dns2[64];
    int32_t dhcp;
    int32_t port;
    uint8_t reserved[4];
} DarvelNetworkRecord;

/* 0x2003 / 0x2002 */
typedef struct {
    char user1[64];
    char pwd1[64];
    char user2[64];
    char pwd2[64];
    char user3[64];
    char pwd3[64];
} DarvelUsersRecord;

/* 0x2005 / 0x2004 */
typedef struct {
    int32_t service;
    char user[64];
    char pwd[64];
    char host[64];
    char proxySvr[64];
    int32_t mode;
    int32_t proxyPort;
    int32_t status;
} DarvelDdnsRecord;

/* 0x2007 / 0x2006 */
typedef struct {
    char svr[64];
    char user[64];
    char pwd[64];
    char dir[128];
    int32_t port;
    int32_t mode;
    int32_t uploadInterval;
} DarvelFtpRecord;

/* 0x2009 / 0x2008 */
typedef struct {
    char svr[64];
    char user[64];
    char pwd[64];
    char sender[64];
    char receiver[4][64];
    int32_t port;
    int32_t ssl;
    int32_t smtpUpload;
} DarvelMailRecord;

/* 0x2011 / 0x2010 */
typedef struct {
    int32_t ledMode;
    int32_t ptzCenterOnStart;
    int32_t ptzRunTimes;
    int32_t patrolRate;
    int32_t patrolUpRate;
    int32_t patrolDownRate;
    int32_t patrolLeftRate;
    int32_t patrolRightRate;
    int32_t dispPreset;
    int32_t presetOnStart;
    uint8_t presets[16];
} DarvelMiscRecord;

/* 0x2013 / 0x2012 */
typedef struct {
    int32_t enable;
    char ssid[128];
    int32_t channel;
    int32_t mode;
    int32_t authType;
    int32_t encrypt;
    int32_t keyFormat;
    int32_t defKey;
    char key[4][128];
    int32_t keyBits[4];
    char wpaPsk[128];
} DarvelWifiRecord;

/* 0x2016 / 0x2015 */
typedef struct {
    int32_t now;
    int32_t tz;
    int32_t ntpEnable;
    char ntpSvr[64];
    int32_t dstEnable;
    int32_t dstTime;
} DarvelDateTimeRecord;

/* 0x2018 / 0x2017 */
typedef struct {
    int32_t motionArmed;
    int32_t motionSensitivity;
    int32_t inputArmed;
    int32_t ioinLevel;
    int32_t ioLinkage;
    int32_t iooutLevel;
    int32_t presetSit;
    int32_t mail;
    int32_t reserved;
    int32_t record;
    int32_t uploadInterval;
    int32_t scheduleEnable;
    int32_t schedule[21];
    int32_t audio;
    int32_t temperature;
    int32_t pirEnable;
    int32_t callSound;
} DarvelAlarmRecord;

/* 0x2021 / 0x2022 */
typedef struct {
    int32_t coverEnable;
    int32_t timer;
    int32_t reserved;
    int32_t timeEnable;
    int32_t schedule[21];
    int32_t sdStatus;
    int32_t sdTotal;
    int32_t sdFree;
    int32_t audio;
    int32_t stream;
} DarvelRecordScheduleRecord;

/* 0x2025: image and encoder settings, all ints in key order */
typedef struct {
    int32_t resolution, bright, contrast, hue, saturation, flip, mode;
    int32_t osdEnable, encFramerate, subEncFramerate, cameraType, resolutionSub, resolutionSubSub;
    int32_t encSize, encKeyframe, encQuant, encRatemode, encBitrate, encMainMode;
    int32_t subEncSize, subEncKeyframe, subEncQuant, subEncRatemode, subEncBitrate;
    int32_t subSubEncSize, subSubEncFramerate, subSubEncKeyframe, subSubEncQuant;
    int32_t subSubEncRatemode, subSubEncBitrate;
    int32_t speed, ircut, inVolume, outVolume;
} DarvelCameraParamsRecord;

/* 0x2701 */
typedef struct {
    char sysVer[32];
    char alias[96];
    char deviceId[32];
    int32_t alarmStatus;
    int32_t sdStatus;
    int32_t sdTotal;
    int32_t sdFree;
    char mac[32];
    char wifiMac[32];
    int32_t dnsStatus;
    int32_t upnpStatus;
    int32_t externWifi;
    uint8_t reserved[56];
    int32_t learnStatus;
    int32_t batCapacity;
    int32_t batStatus;
    int32_t pirTimes;
    int32_t pirJpeg;
    int32_t pirRecord;
    int32_t messageRecord;
    int32_t mcuVersion;
} DarvelStatusRecord;

/* 0x2703 / 0x2704 */
typedef struct {
    int32_t encrypt;
    int32_t port;
    char key[64];
    char ssid[64];
    char ipAddr[32];
    char mask[32];
    char startIp[32];
    char endIp[32];
} DarvelApWifiRecord;

/* 0x2705 */
typedef struct {
    char user[32];
    char pass[32];
    int32_t pri;
} DarvelLoginRecord;

typedef struct {
    char ssid[64];
    char mac[64];
    int32_t security;
    char dbm0[32];
    char dbm1[32];
    int32_t mode;
    int32_t channel;
} DarvelWifiScanEntry;

/* delivered as 0x2014 */
typedef struct {
    int32_t count;
    DarvelWifiScanEntry entries[DARVEL_WIFI_SCAN_MAX];
} DarvelWifiScanRecord;

/* 0x270B / 0x270C */
typedef struct {
    int32_t enable;
    int32_t port;
    char user[64];
    char pwd[64];
} DarvelRtspRecord;

typedef struct {
    int32_t cam;
    char key[32];
    int32_t ptz;
} DarvelAlarmLinkEntry;

/* 0x2713: entries[zone * 4 + slot] */
typedef struct {
    DarvelAlarmLinkEntry entries[32];
    int32_t audio[8];
    int32_t zoneStatus;
} DarvelAlarmLinkageRecord;

/* 0x2720 (one entry); 0x271F holds 32 */
typedef struct {
    int32_t used;
    int32_t clear;
    int32_t bound;
    int32_t sit;
    int32_t zone;
    int32_t ptzSpeed;
    int32_t sceneType;
    int32_t number;
    char name[64];
} DarvelAlarmPtzEntry;

typedef struct {
    DarvelAlarmPtzEntry entries[DARVEL_ALARM_PTZ_MAX];
} DarvelAlarmPtzRecord;

/* 0x2722 / 0x2723 / 0x2724 */
typedef struct {
    char user[32];
    char pwd[32];
} DarvelDoorbellUserRecord;

/* 0x272B / 0x272A */
typedef struct {
    char wakeword[128];
} DarvelWakewordRecord;

/* 0x272D */
typedef struct {
    int32_t lock;
    int32_t lightStatus;
    int32_t socketStatus;
} DarvelSwitchModuleRecord;

/* 0x272F / 0x272E */
typedef struct {
    int32_t lightSwitch;
    int32_t manualTime;
    int32_t autoTime;
    int32_t intensity;
    int32_t adcValue;
    int32_t pirIntensity;
} DarvelSmartLightRecord;

/* 0x2730 / 0x2731 */
typedef struct {
    struct {
        char ssid[64];
        char pwd[64];
    } nets[5];
    int32_t useNo;
} DarvelWifiListRecord;

/* 0x2738 (one entry); 0x2739 holds up to 16 */
typedef struct {
    char accessId[64];
    char deviceToken[64];
    char secretKey[64];
    char phoneId[64];
    int32_t environment;
    int32_t appDeviceType;
    int32_t used;
} DarvelPushEntry;

typedef struct {
    int32_t count;
    DarvelPushEntry entries[DARVEL_PUSH_MAX];
} DarvelPushRecord;

/* 0x273A */
typedef struct {
    int32_t count;
    struct {
        int32_t num;
        int32_t used;
    } presets[DARVEL_PRESET_MAX];
} DarvelPresetStatusRecord;

/* 0x273B / 0x273C */
typedef struct {
    int32_t www;
    int32_t telnet;
} DarvelWebTelnetRecord;

/* 0x2741 / 0x2740: periods[day * 4 + period] */
typedef struct {
    struct {
        int32_t startHour, startMin, endHour, endMin;
    } periods[28];
} DarvelAlarmTimesRecord;

/* 0x2749 / 0x2748 */
typedef struct {
    int32_t messageRecord;
    int32_t messageRecordTimes;
    int32_t pirEnable;
    int32_t pirAlarmCount;
    int32_t broEnable;
    int32_t batLowAlert;
    int32_t pirAlarmRecord;
} DarvelBatDoorbellRecord;

/* 0x6105 / 0x6104 */
typedef struct {
    int32_t alarmSwitch[16];
} DarvelAreaAlarmSwitchRecord;

/* 0x271C (36 bytes; also the 36-byte records of 0x2719, 0x271B, 0x271D: first int used) */
typedef struct {
    int32_t value;
    uint8_t reserved[32];
} DarvelInt36Record;

/* record-file callback, answers to 0x2706 and 0x2766 */
typedef struct {
    int32_t total;
    int32_t index; /* 1-based */
    char name[128];
    int32_t time;
    int32_t size;
    int32_t alarm;
} DarvelRecordListEntry;

/* set-only records */
typedef struct {
    int32_t param;
    int32_t value;
    char text[64]; /* ssid for param 38, password for param 39 */
} DarvelCameraControlRecord;

typedef struct {
    char deviceId[32];
    char mac[32];
    char server[64];
    char userName[64];
    char userPwd[64];
    int32_t heartbeat;
    int32_t serviceIndex;
    int32_t mode;
    char wifiMac[32];
    int32_t port;
    char pnpServer[64];
    int32_t pnpPort;
} DarvelFactoryRecord;

typedef struct {
    char alias[64];
} DarvelAliasRecord;

typedef struct {
    int32_t closeAp;
    int32_t closeMic;
    int32_t reserved;
    int32_t maxFileCount;
} DarvelExtraRecord;

typedef struct {
    char token[104];
} DarvelTokenRecord;

typedef struct {
    char names[DARVEL_TF_NAMES][DARVEL_TF_NAME];
} DarvelTfDeleteRecord;

#pragma pack(pop)

DARVEL_STATIC_ASSERT(sizeof(DarvelNetworkRecord) == 332, "network record");
DARVEL_STATIC_ASSERT(offsetof(DarvelNetworkRecord, dhcp) == 320, "network dhcp");
DARVEL_STATIC_ASSERT(offsetof(DarvelNetworkRecord, port) == 324, "network port");
DARVEL_STATIC_ASSERT(sizeof(DarvelUsersRecord) == 384, "users record");
DARVEL_STATIC_ASSERT(sizeof(DarvelDdnsRecord) == 272, "ddns record");
DARVEL_STATIC_ASSERT(offsetof(DarvelDdnsRecord, mode) == 260, "ddns mode");
DARVEL_STATIC_ASSERT(sizeof(DarvelFtpRecord) == 332, "ftp record");
DARVEL_STATIC_ASSERT(offsetof(DarvelFtpRecord, port) == 320, "ftp port");
DARVEL_STATIC_ASSERT(sizeof(DarvelMailRecord) == 524, "mail record");
DARVEL_STATIC_ASSERT(offsetof(DarvelMailRecord, port) == 512, "mail port");
DARVEL_STATIC_ASSERT(sizeof(DarvelMiscRecord) == 56, "misc record");
DARVEL_STATIC_ASSERT(offsetof(DarvelMiscRecord, presets) == 40, "misc presets");
DARVEL_STATIC_ASSERT(sizeof(DarvelWifiRecord) == 812, "wifi record");
DARVEL_STATIC_ASSERT(offsetof(DarvelWifiRecord, key) == 156, "wifi keys");
DARVEL_STATIC_ASSERT(offsetof(DarvelWifiRecord, keyBits) == 668, "wifi key bits");
DARVEL_STATIC_ASSERT(offsetof(DarvelWifiRecord, wpaPsk) == 684, "wifi psk");
DARVEL_STATIC_ASSERT(sizeof(DarvelDateTimeRecord) == 84, "datetime record");
DARVEL_STATIC_ASSERT(offsetof(DarvelDateTimeRecord, dstEnable) == 76, "datetime dst");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmRecord) == 148, "alarm record");
DARVEL_STATIC_ASSERT(offsetof(DarvelAlarmRecord, record) == 36, "alarm record flag");
DARVEL_STATIC_ASSERT(offsetof(DarvelAlarmRecord, schedule) == 48, "alarm schedule");
DARVEL_STATIC_ASSERT(offsetof(DarvelAlarmRecord, audio) == 132, "alarm audio");
DARVEL_STATIC_ASSERT(sizeof(DarvelRecordScheduleRecord) == 120, "record schedule");
DARVEL_STATIC_ASSERT(offsetof(DarvelRecordScheduleRecord, schedule) == 16, "rec sched");
DARVEL_STATIC_ASSERT(offsetof(DarvelRecordScheduleRecord, sdStatus) == 100, "rec sd");
DARVEL_STATIC_ASSERT(sizeof(DarvelCameraParamsRecord) == 136, "camera params");
DARVEL_STATIC_ASSERT(offsetof(DarvelCameraParamsRecord, speed) == 120, "camera speed");
DARVEL_STATIC_ASSERT(sizeof(DarvelStatusRecord) == 340, "status record");
DARVEL_STATIC_ASSERT(offsetof(DarvelStatusRecord, mac) == 176, "status mac");
DARVEL_STATIC_ASSERT(offsetof(DarvelStatusRecord, learnStatus) == 308, "status learn");
DARVEL_STATIC_ASSERT(offsetof(DarvelStatusRecord, mcuVersion) == 336, "status mcu");
DARVEL_STATIC_ASSERT(sizeof(DarvelApWifiRecord) == 264, "ap wifi record");
DARVEL_STATIC_ASSERT(offsetof(DarvelApWifiRecord, endIp) == 232, "ap wifi end ip");
DARVEL_STATIC_ASSERT(sizeof(DarvelLoginRecord) == 68, "login record");
DARVEL_STATIC_ASSERT(sizeof(DarvelWifiScanEntry) == 204, "scan entry");
DARVEL_STATIC_ASSERT(offsetof(DarvelWifiScanEntry, mode) == 196, "scan mode");
DARVEL_STATIC_ASSERT(sizeof(DarvelWifiScanRecord) == 6532, "scan record");
DARVEL_STATIC_ASSERT(sizeof(DarvelRtspRecord) == 136, "rtsp record");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmLinkEntry) == 40, "alarm link entry");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmLinkageRecord) == 1316, "alarm linkage");
DARVEL_STATIC_ASSERT(offsetof(DarvelAlarmLinkageRecord, zoneStatus) == 1312, "zone status");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmPtzEntry) == 96, "alarm ptz entry");
DARVEL_STATIC_ASSERT(offsetof(DarvelAlarmPtzEntry, name) == 32, "alarm ptz name");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmPtzRecord) == 3072, "alarm ptz record");
DARVEL_STATIC_ASSERT(sizeof(DarvelDoorbellUserRecord) == 64, "doorbell user");
DARVEL_STATIC_ASSERT(sizeof(DarvelWakewordRecord) == 128, "wakeword");
DARVEL_STATIC_ASSERT(sizeof(DarvelSwitchModuleRecord) == 12, "switch module");
DARVEL_STATIC_ASSERT(sizeof(DarvelSmartLightRecord) == 24, "smart light");
DARVEL_STATIC_ASSERT(sizeof(DarvelWifiListRecord) == 644, "wifi list");
DARVEL_STATIC_ASSERT(sizeof(DarvelPushEntry) == 268, "push entry");
DARVEL_STATIC_ASSERT(sizeof(DarvelPushRecord) == 4292, "push record");
DARVEL_STATIC_ASSERT(sizeof(DarvelPresetStatusRecord) == 132, "preset status");
DARVEL_STATIC_ASSERT(sizeof(DarvelWebTelnetRecord) == 8, "web telnet");
DARVEL_STATIC_ASSERT(sizeof(DarvelAlarmTimesRecord) == 448, "alarm times");
DARVEL_STATIC_ASSERT(sizeof(DarvelBatDoorbellRecord) == 28, "battery doorbell");
DARVEL_STATIC_ASSERT(sizeof(DarvelAreaAlarmSwitchRecord) == 64, "area alarm switch");
DARVEL_STATIC_ASSERT(sizeof(DarvelInt36Record) == 36, "int36");
DARVEL_STATIC_ASSERT(sizeof(DarvelRecordListEntry) == 148, "record list entry");
DARVEL_STATIC_ASSERT(offsetof(DarvelRecordListEntry, time) == 136, "record entry time");
DARVEL_STATIC_ASSERT(sizeof(DarvelCameraControlRecord) == 72, "camera control");
DARVEL_STATIC_ASSERT(sizeof(DarvelFactoryRecord) == 372, "factory record");
DARVEL_STATIC_ASSERT(offsetof(DarvelFactoryRecord, wifiMac) == 268, "factory wifimac");
DARVEL_STATIC_ASSERT(offsetof(DarvelFactoryRecord, pnpPort) == 368, "factory pnpport");
DARVEL_STATIC_ASSERT(sizeof(DarvelAliasRecord) == 64, "alias");
DARVEL_STATIC_ASSERT(sizeof(DarvelExtraRecord) == 16, "extra");
DARVEL_STATIC_ASSERT(sizeof(DarvelTokenRecord) == 104, "token");
DARVEL_STATIC_ASSERT(sizeof(DarvelTfDeleteRecord) == 2560, "tf delete");

#endif /* DARVEL_RECORDS_H */
