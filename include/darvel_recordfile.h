/* Record search, playback, media frame head and transfer records of the camera library.
 * Little-endian, packed; see darvel.h for the calls that take them.
 */
#ifndef DARVEL_RECORDFILE_H
#define DARVEL_RECORDFILE_H

#include "darvel_records.h"

#define DARVEL_MEDIA_MAGIC 0xA815AA55u
#define DARVEL_MEDIA_HEAD_SIZE 32
#define DARVEL_VIDEO_FRAME_MAX 524288 /* data bytes behind the head, video and playback */
#define DARVEL_AUDIO_FRAME_MAX 2048   /* data bytes behind the head, audio */
#define DARVEL_TALK_BLOCK 256         /* the only talk data length the P2P session sends */

/* frame kinds (byte 4 of the media head) */
enum {
    DARVEL_FRAME_VIDEO_KEY = 0,
    DARVEL_FRAME_VIDEO = 1,
    DARVEL_FRAME_AUDIO = 6,
    DARVEL_FRAME_TALK = 8,
    DARVEL_FRAME_END_OF_RECORD = 16
};

#pragma pack(push, 1)

/* the 32-byte head in front of every live, talk and playback frame */
typedef struct {
    uint32_t magic;
    uint8_t kind;
    uint8_t talkFlag; /* 1 in talk frames sent by the P2P session */
    uint16_t milliseconds;
    uint32_t seconds;
    uint32_t sequence;
    uint32_t length; /* data bytes behind the head */
    uint8_t codec;
    uint8_t rateOrChannels;
    uint16_t widthOrSampleRate;
    uint16_t heightOrBits;
    uint8_t reserved[6];
} DarvelMediaHead;

/* local date-time, as the caller's clock sees it */
typedef struct {
    int32_t year;  /* four digits */
    int32_t month; /* 1-12 */
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
} DarvelDateTime;

/* device_record_file_search (56 bytes); the first 48 bytes are the device-log time range */
typedef struct {
    DarvelDateTime start;
    DarvelDateTime end;
    int32_t fileMode;
    int32_t fileIndex;
} DarvelRecordSearch;

/* device_record_file_searchB (8 bytes) */
typedef struct {
    int32_t pageIndex;
    int32_t pageSize;
} DarvelRecordPage;

/* device_record_playback_control (136 bytes) */
typedef struct {
    char fileName[128];
    int32_t offset;
    int32_t streamId; /* 17 stops a TCP playback connection */
} DarvelPlaybackRecord;

/* device_net_work_transmit_file (844 bytes) */
typedef struct {
    char localPath[512];
    char deviceName[256];
    int32_t fileType;
    char version[32];
    int32_t fileSize;
    char md5[32];
    int32_t force;
} DarvelTransferRecord;

#pragma pack(pop)

DARVEL_STATIC_ASSERT(sizeof(DarvelMediaHead) == 32, "media head");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, kind) == 4, "media kind");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, milliseconds) == 6, "media ms");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, seconds) == 8, "media s");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, sequence) == 12, "media seq");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, length) == 16, "media len");
DARVEL_STATIC_ASSERT(offsetof(DarvelMediaHead, codec) == 20, "media codec");
DARVEL_STATIC_ASSERT(sizeof(DarvelRecordSearch) == 56, "record search");
DARVEL_STATIC_ASSERT(offsetof(DarvelRecordSearch, fileMode) == 48, "search mode");
DARVEL_STATIC_ASSERT(sizeof(DarvelRecordPage) == 8, "record page");
DARVEL_STATIC_ASSERT(sizeof(DarvelPlaybackRecord) == 136, "playback record");
DARVEL_STATIC_ASSERT(offsetof(DarvelPlaybackRecord, offset) == 128, "playback offset");
DARVEL_STATIC_ASSERT(sizeof(DarvelTransferRecord) == 844, "transfer record");
DARVEL_STATIC_ASSERT(offsetof(DarvelTransferRecord, fileType) == 768, "transfer type");
DARVEL_STATIC_ASSERT(offsetof(DarvelTransferRecord, fileSize) == 804, "transfer size");
DARVEL_STATIC_ASSERT(offsetof(DarvelTransferRecord, md5) == 808, "transfer md5");
DARVEL_STATIC_ASSERT(offsetof(DarvelTransferRecord, force) == 840, "transfer force");

#endif /* DARVEL_RECORDFILE_H */
