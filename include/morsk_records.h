/* Parameter records of the NAS/WVR recorder library (morsk).
 *
 * Every record crossing between morsk and its caller is a packed little-endian block of
 * 32-bit signed ints and NUL-terminated byte strings in fixed fields. Records handed to the
 * parameter-record and record-file callbacks belong to the library and are valid only during
 * the call. Records passed to nas_net_work_set_param use the layout of the matching query
 * record; a text field given by the caller that fills its whole width without a NUL is used
 * up to its width.
 *
 * Decoded texts longer than their field are cut at the field (the last byte stays NUL).
 * Decoded counts are clamped to the number of entries the record holds.
 */
#ifndef MORSK_RECORDS_H
#define MORSK_RECORDS_H

#include <stdint.h>

#ifdef __cplusplus
#define MORSK_STATIC_ASSERT(c, m) static_assert(c, m)
#include <cstddef>
#else
#include <stddef.h>
#define MORSK_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* ---- parameter type codes: 0x20xx settings (result), 0x21xx queries (record), 0x22xx
 * actions ---- */
enum {
    NAS_SET_NETWORK = 0x2000,
    NAS_SET_USERS = 0x2001,
    NAS_SET_DDNS = 0x2002,
    NAS_SET_FTP = 0x2003,
    NAS_SET_MAIL = 0x2004,
    NAS_SET_WIFI = 0x2005,
    NAS_SET_DATETIME = 0x2006,
    NAS_SET_RECORD_SCHEDULE = 0x2007,
    NAS_SET_ALIAS = 0x2008,
    NAS_SET_APWIFI = 0x2009,
    NAS_SET_CAMERA = 0x200A,
    NAS_SET_PPPOE = 0x200B,
    NAS_SET_PNP_SERVER = 0x200C,
    NAS_SET_ALARM = 0x200D,
    NAS_SET_FORMAT_HD = 0x200E,
    NAS_SET_DEFAULT = 0x2010,
    NAS_SET_PLUG_RELAY = 0x2011,
    NAS_SET_PLUG_TIMER = 0x2012,
    NAS_SET_PLUG_DELAY = 0x2013,
    NAS_SET_PLUG_KEY = 0x2014,
    NAS_SET_PLUG_DIRECT = 0x2015, /* answered by record 0x2015 */
    NAS_SET_ALARM_LOG_CLEAR = 0x2016,
    NAS_SET_ALARM_CAM = 0x2017, /* no answer is reported */
    NAS_CAMERA_CONTROL = 0x2018,
    NAS_ALARMCAM_CONTROL = 0x2019,
    NAS_SET_PUSH_PARAM = 0x201A,
    NAS_SET_PUSH_STOP = 0x201B,
    NAS_SET_ALARM_VALUE = 0x201C,
    NAS_SET_CHANNEL_SCENE = 0x201D,
    NAS_GET_LOGIN = 0x2100,
    NAS_GET_STATUS = 0x2101,
    NAS_GET_CAMERA = 0x2102,
    NAS_GET_DATETIME = 0x2104,
    NAS_GET_PPPOE = 0x2105,
    NAS_GET_DDNS = 0x2106,
    NAS_GET_RECORD_SCHEDULE = 0x2107,
    NAS_GET_ALARM = 0x2109,
    NAS_GET_MAIL = 0x210A,
    NAS_GET_FTP = 0x210B,
    NAS_GET_NETWORK = 0x210C,
    NAS_GET_APWIFI = 0x210D,
    NAS_GET_WIFI = 0x210E,
    NAS_WIFI_SCAN = 0x210F, /* the scan result arrives as record 0x210F */
    NAS_GET_FACTORY = 0x2110,
    NAS_GET_PNP_SERVER = 0x2111,
    NAS_GET_USERS = 0x2112,
    NAS_SEARCH_CAMERA = 0x2113, /* the search result arrives as record 0x2113 */
    NAS_SEARCH_RECORD_FILE = 0x2114,
    NAS_GET_PLUG_RELAY = 0x2115,
    NAS_GET_PLUG_TIMERS = 0x2116,
    NAS_GET_PLUG_DELAY = 0x2117,
    NAS_GET_PLUG_KEY = 0x2118,
    NAS_GET_APP_VERSION = 0x2119,
    NAS_GET_ACCESSORIES = 0x211A,
    NAS_GET_CONFIG_RESULT = 0x211C,
    NAS_SEARCH_ALARM_DEVICE = 0x211D,
    NAS_GET_ALARM_LIST = 0x211E,
    NAS_GET_CHANNEL_SCENE = 0x211F,
    NAS_REBOOT = 0x2200,
    NAS_RESTORE_FACTORY = 0x2201,
    NAS_CHECK_USER = 0x2203,
    NAS_RECORD_PLAY = 0x2206,
    NAS_AP_WPS = 0x2207,
    NAS_STA_WPS = 0x2208,
    NAS_GET_WIFI_SCAN_RESULT = 0x2209,
    NAS_GET_SEARCH_CAMERA_RESULT = 0x220A
};

#pragma pack(push, 1)

/* 0x2100 login answer, 68 bytes */
typedef struct NasLogin {
    char user[32];
    char pwd[32];
    int32_t privilege;
} NasLogin;

/* 0x2101 status, 492 bytes (answer only) */
typedef struct NasStatus {
    char sysVersion[32];
    char deviceId[32];
    char alias[32];
    char apSsid[64];
    int32_t apEncrypt;
    char externSsid[64];
    int32_t externSignal;
    int32_t externStatus;
    int32_t internet;
    char mac[32];
    char wifiMac[32];
    int32_t alarmStatus;
    int32_t p2pStatus;
    int32_t dnsStatus;
    int32_t upnpStatus;
    int32_t externWifi;
    int32_t recordSdStatus;
    int32_t sdTotal;
    int32_t sdFree;
    int32_t sdLevel;
    int32_t hardDiskStatus;
    int32_t hdPartitionNum;
    int32_t hardDisk[16];
    int32_t partitionSize[16];
    int32_t camStatus[4];
} NasStatus;

/* one recorder camera, 204 bytes */
typedef struct NasCamera {
    char alias[32];
    char deviceId[32];
    char mac[32];
    char user[32];
    char pwd[32];
    char host[32];
    int32_t port;
    int32_t dhcp;
    int32_t streamId;
} NasCamera;

/* 0x2102 / 0x200A the recorder's four cameras, 816 bytes */
typedef struct NasCameras {
    NasCamera camera[4];
} NasCameras;

/* 0x2104 / 0x2006 date and time, 84 bytes */
typedef struct NasDateTime {
    int32_t now;
    int32_t tz;
    int32_t ntpEnable;
    char ntpServer[64];
    int32_t ntpInterval;
    int32_t ntpSync; /* request only */
} NasDateTime;

/* 0x2105 / 0x200B PPPoE, 132 bytes */
typedef struct NasPppoe {
    int32_t enable;
    char user[64];
    char pwd[64];
} NasPppoe;

/* 0x2106 / 0x2002 DDNS, 200 bytes */
typedef struct NasDdns {
    int32_t service;
    char user[32];
    char pwd[32];
    char hostName[64];
    char server[64];
    int32_t port;
} NasDdns;

/* schedule parts: day d (sunday 0 .. saturday 6), part p (0-2) at [d * 3 + p] */
#define NAS_SCHEDULE_SLOTS 21

/* 0x2107 / 0x2007 record schedule, 124 bytes */
typedef struct NasRecordSchedule {
    int32_t coverEnable;
    int32_t timeEnable;
    int32_t audioEnable;
    int32_t camera[4];
    int32_t cameraMotion;
    int32_t cameraGpio;
    int32_t timeScheduleEnable; /* request only */
    int32_t schedule[NAS_SCHEDULE_SLOTS];
} NasRecordSchedule;

/* 0x2109 / 0x200D alarm, 152 bytes */
typedef struct NasAlarm {
    int32_t scheduleEnable;
    int32_t cameraEnable[4];
    int32_t smoke;
    int32_t pir;
    int32_t irc;
    int32_t doorSensor;
    int32_t gas;
    int32_t inputArmed;
    int32_t presetSit;
    int32_t inputLevel;
    int32_t linkageEnable;
    int32_t outputLevel;
    int32_t mail;
    int32_t uploadInterval;
    int32_t schedule[NAS_SCHEDULE_SLOTS];
} NasAlarm;

/* 0x210A / 0x2004 mail, 520 bytes */
typedef struct NasMail {
    char server[64];
    int32_t port;
    char user[64];
    char pwd[64];
    int32_t ssl;
    char sender[64];
    char receiver[4][64];
} NasMail;

/* 0x210B / 0x2003 FTP, 168 bytes */
typedef struct NasFtp {
    char server[64];
    int32_t port;
    char user[32];
    char pwd[32];
    char dir[32];
    int32_t mode;
} NasFtp;

/* 0x210C / 0x2000 network, 172 bytes */
typedef struct NasNetwork {
    char ipAddr[32];
    char mask[32];
    char gateway[32];
    int32_t httpPort;
    int32_t rtspPort;
    int32_t dhcp;
    char dns1[32];
    char dns2[32];
} NasNetwork;

/* 0x210D / 0x2009 the recorder's own access point, 272 bytes */
typedef struct NasApWifi {
    int32_t enable;
    int32_t encrypt;
    char ssid[64];
    char psk[64];
    int32_t channel;
    char ipAddr[32];
    char mask[32];
    int32_t mode; /* answer only */
    char startIp[32];
    char endIp[32];
} NasApWifi;

/* 0x210E / 0x2005 Wi-Fi client, 144 bytes */
typedef struct NasWifi {
    int32_t enable;
    char ssid[64];
    int32_t channel;
    int32_t mode;
    int32_t encrypt;
    char psk[64];
} NasWifi;

#define NAS_WIFI_SCAN_MAX 32
typedef struct NasWifiScanEntry {
    char ssid[64];
    uint8_t mac[6];
    uint8_t pad[2];
    int32_t security;
    int32_t dbm0;
    int32_t dbm1;
    int32_t mode;
    int32_t channel;
} NasWifiScanEntry;

/* 0x210F Wi-Fi scan result, 2948 bytes */
typedef struct NasWifiScan {
    int32_t count; /* at most NAS_WIFI_SCAN_MAX */
    NasWifiScanEntry ap[NAS_WIFI_SCAN_MAX];
} NasWifiScan;

/* 0x2110 factory parameters, 212 bytes */
typedef struct NasFactory {
    char user[64];
    int32_t status;
    char server[64];
    int32_t port;
    char passwd[64];
    int32_t mode;
    int32_t index;
    int32_t heartbeat;
} NasFactory;

/* 0x2111 / 0x200C P2P server, 388 bytes */
typedef struct NasPnpServer {
    char server[256];
    int32_t port;
    char user[64];
    char pwd[64];
} NasPnpServer;

/* 0x2112 / 0x2001 users, 384 bytes */
typedef struct NasUsers {
    char user1[64];
    char pwd1[64];
    char user2[64];
    char pwd2[64];
    char user3[64];
    char pwd3[64];
} NasUsers;

#define NAS_CAMERA_SEARCH_MAX 32
typedef struct NasFoundCamera {
    char alias[32];
    char deviceId[32];
    char mac[32];
    char ipAddr[32];
    int32_t port;
    char user[32];
    char pwd[32];
    int32_t dhcp;
    int32_t streamId;
} NasFoundCamera;

/* 0x2113 camera search result, 6532 bytes */
typedef struct NasCameraSearch {
    int32_t count; /* at most NAS_CAMERA_SEARCH_MAX */
    NasFoundCamera camera[NAS_CAMERA_SEARCH_MAX];
} NasCameraSearch;

/* 0x2114 record-file search request, 24 bytes */
typedef struct NasRecordSearch {
    int32_t partition;
    int32_t mode;
    int32_t alarmType;
    int32_t channel;
    int32_t startDate;
    int32_t endDate;
} NasRecordSearch;

/* one file found by a search, 288 bytes (record-file callback) */
typedef struct NasRecordFileEntry {
    int32_t total;
    int32_t index; /* 1-based */
    char name[256];
    int32_t channel;
    int32_t size;
    int32_t alarmType;
    int32_t startTime;
    int32_t endTime;
    int32_t partition;
} NasRecordFileEntry;

/* 0x2206 playback request, 144 bytes; mode NAS_PLAYBACK_MODE_END ends a playback */
#define NAS_PLAYBACK_MODE_END 10
typedef struct NasPlayback {
    int32_t partition;
    char fileName[128];
    int32_t fileSize;
    int32_t fileOffset;
    int32_t mode;
} NasPlayback;

/* 0x2115 / 0x2011 smart plug relay, 4 bytes */
typedef struct NasPlugRelay {
    int32_t status;
} NasPlugRelay;

#define NAS_PLUG_TIMER_MAX 8
typedef struct NasPlugTimerEntry {
    int32_t used;
    int32_t enable;
    int32_t startTime;
    int32_t endTime;
    int32_t day[7]; /* monday .. sunday */
} NasPlugTimerEntry;

/* 0x2116 smart plug timer list, 356 bytes */
typedef struct NasPlugTimers {
    NasPlugTimerEntry timer[NAS_PLUG_TIMER_MAX];
    int32_t count; /* at most NAS_PLUG_TIMER_MAX */
} NasPlugTimers;

/* 0x2012 set one smart plug timer, 48 bytes */
typedef struct NasPlugTimerSet {
    int32_t enable;
    int32_t number;
    int32_t startTime;
    int32_t endTime;
    int32_t mon, tue, wed, thu, fri, sat, sun;
    int32_t used;
} NasPlugTimerSet;

/* 0x2117 / 0x2013 smart plug delay, 8 bytes (the answer fills only the minutes) */
typedef struct NasPlugDelay {
    int32_t enable;
    int32_t minutes;
} NasPlugDelay;

/* 0x2118 / 0x2014 smart plug key, 8 bytes */
typedef struct NasPlugKey {
    char key[8];
} NasPlugKey;

/* 0x2015 direct connection answer, 32 bytes */
typedef struct NasPlugDirect {
    char ssid[32];
} NasPlugDirect;

/* 0x2119 application version, 16 bytes */
typedef struct NasAppVersion {
    char version[16];
} NasAppVersion;

#define NAS_ACCESSORY_ZONES 8
#define NAS_ACCESSORY_POSITIONS 16
typedef struct NasAccessory {
    int32_t cam;
    int32_t key;
    int32_t ptz;
    char alias[32];
    int32_t linkChannel;
    int32_t bound;
} NasAccessory;

/* 0x211A accessory table, 6692 bytes */
typedef struct NasAccessories {
    NasAccessory entry[NAS_ACCESSORY_ZONES][NAS_ACCESSORY_POSITIONS];
    int32_t zoneAudio[NAS_ACCESSORY_ZONES];
    int32_t zoneStatus;
} NasAccessories;

/* 0x2017 add or clear an accessory, 12 bytes */
typedef struct NasAlarmCamSet {
    int32_t zone;
    int32_t position;
    int32_t clearAll;
} NasAlarmCamSet;

/* 0x2019 accessory control, 8 bytes */
typedef struct NasAlarmCamControl {
    int32_t command;
    int32_t value;
} NasAlarmCamControl;

/* 0x201C accessory value, 48 bytes */
typedef struct NasAlarmValue {
    int32_t moduleValue;
    int32_t zone;
    int32_t position;
    char name[32];
    int32_t clear;
} NasAlarmValue;

#define NAS_FOUND_ACCESSORY_MAX 16
/* 0x211E found accessories, 100 bytes */
typedef struct NasAlarmList {
    int32_t keyValue[NAS_FOUND_ACCESSORY_MAX];
    int32_t count; /* at most NAS_FOUND_ACCESSORY_MAX */
    uint8_t reserved[32];
} NasAlarmList;

/* 0x211C configuration result, 68 bytes */
typedef struct NasConfigResult {
    int32_t isConfig;
    uint8_t reserved[64];
} NasConfigResult;

/* 0x201D set one scene, 60 bytes */
typedef struct NasSceneSet {
    int32_t clear;
    int32_t number;
    int32_t channel;
    int32_t bound;
    int32_t type;
    int32_t position;
    char name[32];
    int32_t sceneType;
} NasSceneSet;

/* 0x211F scene query request, 4 bytes */
typedef struct NasSceneQuery {
    int32_t channel;
} NasSceneQuery;

#define NAS_SCENE_MAX 32
typedef struct NasScene {
    int32_t used;
    int32_t bound;
    int32_t type;
    int32_t position;
    char name[32];
    int32_t sceneType;
} NasScene;

/* 0x211F scene table, 1664 bytes */
typedef struct NasScenes {
    NasScene scene[NAS_SCENE_MAX];
} NasScenes;

/* 0x2008 alias, 32 bytes */
typedef struct NasAlias {
    char alias[32];
} NasAlias;

/* 0x200E disk format, 12 bytes */
typedef struct NasFormatDisk {
    int32_t initialDisk;
    int32_t partition;
    int32_t createFile;
} NasFormatDisk;

/* 0x2018 camera control, 12 bytes */
typedef struct NasCameraControl {
    int32_t channel;
    int32_t param;
    int32_t value;
} NasCameraControl;

/* 0x201A / 0x201B push token, 104 bytes */
typedef struct NasPushToken {
    char token[104];
} NasPushToken;

#pragma pack(pop)

MORSK_STATIC_ASSERT(sizeof(NasLogin) == 68, "NasLogin");
MORSK_STATIC_ASSERT(sizeof(NasStatus) == 492, "NasStatus");
MORSK_STATIC_ASSERT(offsetof(NasStatus, externSignal) == 228, "NasStatus.externSignal");
MORSK_STATIC_ASSERT(offsetof(NasStatus, alarmStatus) == 304, "NasStatus.alarmStatus");
MORSK_STATIC_ASSERT(offsetof(NasStatus, hardDisk) == 348, "NasStatus.hardDisk");
MORSK_STATIC_ASSERT(offsetof(NasStatus, partitionSize) == 412, "NasStatus.partitionSize");
MORSK_STATIC_ASSERT(offsetof(NasStatus, camStatus) == 476, "NasStatus.camStatus");
MORSK_STATIC_ASSERT(sizeof(NasCamera) == 204 && offsetof(NasCamera, port) == 192, "NasCamera");
MORSK_STATIC_ASSERT(sizeof(NasCameras) == 816, "NasCameras");
MORSK_STATIC_ASSERT(sizeof(NasDateTime) == 84 && offsetof(NasDateTime, ntpInterval) == 76,
                    "NasDateTime");
MORSK_STATIC_ASSERT(sizeof(NasPppoe) == 132, "NasPppoe");
MORSK_STATIC_ASSERT(sizeof(NasDdns) == 200 && offsetof(NasDdns, port) == 196, "NasDdns");
MORSK_STATIC_ASSERT(sizeof(NasRecordSchedule) == 124 &&
                        offsetof(NasRecordSchedule, cameraMotion) == 28 &&
                        offsetof(NasRecordSchedule, schedule) == 40,
                    "NasRecordSchedule");
MORSK_STATIC_ASSERT(sizeof(NasAlarm) == 152 && offsetof(NasAlarm, smoke) == 20 &&
                        offsetof(NasAlarm, uploadInterval) == 64 &&
                        offsetof(NasAlarm, schedule) == 68,
                    "NasAlarm");
MORSK_STATIC_ASSERT(sizeof(NasMail) == 520 && offsetof(NasMail, ssl) == 196 &&
                        offsetof(NasMail, receiver) == 264,
                    "NasMail");
MORSK_STATIC_ASSERT(sizeof(NasFtp) == 168 && offsetof(NasFtp, mode) == 164, "NasFtp");
MORSK_STATIC_ASSERT(sizeof(NasNetwork) == 172 && offsetof(NasNetwork, dns1) == 108, "NasNetwork");
MORSK_STATIC_ASSERT(sizeof(NasApWifi) == 272 && offsetof(NasApWifi, channel) == 136 &&
                        offsetof(NasApWifi, mode) == 204 && offsetof(NasApWifi, startIp) == 208,
                    "NasApWifi");
MORSK_STATIC_ASSERT(sizeof(NasWifi) == 144 && offsetof(NasWifi, psk) == 80, "NasWifi");
MORSK_STATIC_ASSERT(sizeof(NasWifiScanEntry) == 92 && offsetof(NasWifiScanEntry, security) == 72,
                    "NasWifiScanEntry");
MORSK_STATIC_ASSERT(sizeof(NasWifiScan) == 2948, "NasWifiScan");
MORSK_STATIC_ASSERT(sizeof(NasFactory) == 212 && offsetof(NasFactory, heartbeat) == 208,
                    "NasFactory");
MORSK_STATIC_ASSERT(sizeof(NasPnpServer) == 388 && offsetof(NasPnpServer, pwd) == 324,
                    "NasPnpServer");
MORSK_STATIC_ASSERT(sizeof(NasUsers) == 384, "NasUsers");
MORSK_STATIC_ASSERT(sizeof(NasFoundCamera) == 204 && offsetof(NasFoundCamera, user) == 132 &&
                        offsetof(NasFoundCamera, streamId) == 200,
                    "NasFoundCamera");
MORSK_STATIC_ASSERT(sizeof(NasCameraSearch) == 6532, "NasCameraSearch");
MORSK_STATIC_ASSERT(sizeof(NasRecordSearch) == 24, "NasRecordSearch");
MORSK_STATIC_ASSERT(sizeof(NasRecordFileEntry) == 288 &&
                        offsetof(NasRecordFileEntry, channel) == 264 &&
                        offsetof(NasRecordFileEntry, partition) == 284,
                    "NasRecordFileEntry");
MORSK_STATIC_ASSERT(sizeof(NasPlayback) == 144 && offsetof(NasPlayback, fileSize) == 132,
                    "NasPlayback");
MORSK_STATIC_ASSERT(sizeof(NasPlugRelay) == 4, "NasPlugRelay");
MORSK_STATIC_ASSERT(sizeof(NasPlugTimerEntry) == 44, "NasPlugTimerEntry");
MORSK_STATIC_ASSERT(sizeof(NasPlugTimers) == 356 && offsetof(NasPlugTimers, count) == 352,
                    "NasPlugTimers");
MORSK_STATIC_ASSERT(sizeof(NasPlugTimerSet) == 48 && offsetof(NasPlugTimerSet, used) == 44,
                    "NasPlugTimerSet");
MORSK_STATIC_ASSERT(sizeof(NasPlugDelay) == 8, "NasPlugDelay");
MORSK_STATIC_ASSERT(sizeof(NasPlugKey) == 8, "NasPlugKey");
MORSK_STATIC_ASSERT(sizeof(NasPlugDirect) == 32, "NasPlugDirect");
MORSK_STATIC_ASSERT(sizeof(NasAppVersion) == 16, "NasAppVersion");
MORSK_STATIC_ASSERT(sizeof(NasAccessory) == 52 && offsetof(NasAccessory, linkChannel) == 44,
                    "NasAccessory");
MORSK_STATIC_ASSERT(sizeof(NasAccessories) == 6692 && offsetof(NasAccessories, zoneAudio) == 6656 &&
                        offsetof(NasAccessories, zoneStatus) == 6688,
                    "NasAccessories");
MORSK_STATIC_ASSERT(sizeof(NasAlarmCamSet) == 12, "NasAlarmCamSet");
MORSK_STATIC_ASSERT(sizeof(NasAlarmCamControl) == 8, "NasAlarmCamControl");
MORSK_STATIC_ASSERT(sizeof(NasAlarmValue) == 48 && offsetof(NasAlarmValue, clear) == 44,
                    "NasAlarmValue");
MORSK_STATIC_ASSERT(sizeof(NasAlarmList) == 100 && offsetof(NasAlarmList, count) == 64,
                    "NasAlarmList");
MORSK_STATIC_ASSERT(sizeof(NasConfigResult) == 68, "NasConfigResult");
MORSK_STATIC_ASSERT(sizeof(NasSceneSet) == 60 && offsetof(NasSceneSet, sceneType) == 56,
                    "NasSceneSet");
MORSK_STATIC_ASSERT(sizeof(NasSceneQuery) == 4, "NasSceneQuery");
MORSK_STATIC_ASSERT(sizeof(NasScene) == 52 && offsetof(NasScene, sceneType) == 48, "NasScene");
MORSK_STATIC_ASSERT(sizeof(NasScenes) == 1664, "NasScenes");
MORSK_STATIC_ASSERT(sizeof(NasAlias) == 32, "NasAlias");
MORSK_STATIC_ASSERT(sizeof(NasFormatDisk) == 12, "NasFormatDisk");
MORSK_STATIC_ASSERT(sizeof(NasCameraControl) == 12, "NasCameraControl");
MORSK_STATIC_ASSERT(sizeof(NasPushToken) == 104, "NasPushToken");

#undef MORSK_STATIC_ASSERT

#endif /* MORSK_RECORDS_H */
