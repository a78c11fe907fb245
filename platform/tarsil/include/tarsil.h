// Tarsil: the player library. Decodes media frames (H.264, H.265, MJPEG video, G.711 A-law
// audio), draws them into an X11 window through Lumeno, plays sound and captures the
// microphone through SDL2, takes snapshots, records AVI files locally, overlays text, and plays
// local AVI files for the playback dialog.
//
// Handles are unsigned 32-bit, 0 is none; a handle is never reused while the library is
// initialised. Every function may be called from any thread unless stated otherwise; calls on
// an unknown or destroyed handle return 0 and do nothing. Results: nonzero (1) success, 0
// failure, unless stated otherwise.
//
// Threads the library runs: per play instance one decode thread (from x_player_startPlay to
// x_player_stopPlay), one recording thread while local recording runs, one file thread while
// a local file is open; per talk instance SDL's capture thread while talk runs; SDL's output
// thread while sound is open.
//
// Window handles are X11 window ids. The library opens its own X connections (DISPLAY).
#pragma once

#include <stdint.h>

#if defined(TARSIL_BUILDING)
#define TARSIL_EXPORT __attribute__((visibility("default")))
#else
#define TARSIL_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define TARSIL_RECORD_FOLDER_BYTES 512
#define TARSIL_RECORD_DEVICE_ID_BYTES 256
#define TARSIL_OSD_FACE_BYTES 24
#define TARSIL_OSD_TEXT_BYTES 128
#define TARSIL_TALK_BLOCK_BYTES 256  // one talk block: 256 A-law samples, 32 ms at 8 kHz

// Local recording settings, 784 bytes. Texts are UTF-8 and must be NUL-terminated inside
// their fields.
typedef struct {
    char folder[TARSIL_RECORD_FOLDER_BYTES];       // recordings go to folder/RecordFiles/...
    char deviceId[TARSIL_RECORD_DEVICE_ID_BYTES];  // names the per-device folder
    int32_t fileLength_mb;    // start a new file at the next key frame past this size; <=0 none
    int32_t timeLength_min;   // ... or past this much media time; <=0 none
    int32_t reserveSpace_mb;  // free space the recording must leave on the file system
    int32_t recordOver;       // nonzero: delete the oldest recordings instead of stopping
} LocalRecordParams;

// Overlay text, 188 bytes. Placement is a rectangle in the coordinates of a 704 x 576 picture
// and scales with the real picture; the text is drawn in the colour with a pixel height of
// about four fifths of the rectangle's height, clipped to the rectangle.
typedef struct {
    char fontFace[TARSIL_OSD_FACE_BYTES];  // not used: the overlay font is DejaVu Sans
    int32_t reserved0;
    int32_t reserved1;
    uint8_t color[4];  // red, green, blue, unused
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    char text[TARSIL_OSD_TEXT_BYTES];  // UTF-8, NUL-terminated (at most 127 bytes used)
    int32_t reserved2;
    int32_t reserved3;
} OsdTextItem;

// Frame counters of a play instance, for diagnostics and benchmarks.
typedef struct {
    uint64_t framesAccepted;  // frames taken into the decode queue
    uint64_t framesDropped;   // frames refused: bad head, queue full, waiting for a key frame
    uint64_t picturesShown;   // pictures decoded and handed to the display
    uint32_t framesQueued;    // frames waiting in the decode queue now
    uint32_t reserved;
} TarsilStats;

// Receives each block of coded microphone audio (TARSIL_TALK_BLOCK_BYTES of G.711 A-law) on
// SDL's capture thread. data is valid during the call only. Returns 1. It must not call
// x_player_StopDualTalk or x_player_destroyDualtalkInstance (those wait for it).
typedef int (*TalkDataCallback)(const char* data, int length, void* user);

// Called once on the file thread when a local file has played to its end. It must not call
// x_player_closeFile or x_player_destroyPlayInstance on the same instance.
typedef void (*FileEndCallback)(uint32_t play, void* user);

// ---- library ----
// Once before anything else (idempotent): 1. x_player_uninitPlayLib destroys every instance
// still alive (stopping their threads), then releases the library: 1.
TARSIL_EXPORT int x_player_initPlayLib(void);
TARSIL_EXPORT int x_player_uninitPlayLib(void);

// ---- play instances ----
// flag is accepted for compatibility and selects nothing. Returns the handle, 0 when the
// library is not initialised.
TARSIL_EXPORT uint32_t x_player_createPlayInstance(int flag);
// Stops everything the instance runs (decode, recording, file, sound) and frees it. Blocks
// until its threads have ended; must not be called from a callback of this library.
TARSIL_EXPORT int x_player_destroyPlayInstance(uint32_t play);
// Draw target: an X window id; 0 detaches (pictures are then decoded but not drawn). The last
// picture is drawn into a newly set window at once and stays until the next one.
TARSIL_EXPORT int x_player_setPlayWnd(uint32_t play, unsigned long window);
// Starts the decode thread: 1 playing (also when already playing), 0 failure.
TARSIL_EXPORT int x_player_startPlay(uint32_t play);
// Stops and joins the decode thread and empties its queue; blocks for at most one picture.
TARSIL_EXPORT int x_player_stopPlay(uint32_t play);
// One frame as delivered: the 32-byte media frame head, then the data. Copies what it keeps
// and returns at once; never blocks on decoding. 1 taken (into the decode queue or the
// recording), 0 dropped: not playing, head invalid or inconsistent with length, unknown codec
// or kind, absurd picture size, data length 0, queue full (a full queue drops whole groups of
// pictures: video is dropped up to the next key frame).
TARSIL_EXPORT int x_player_inputNetFrame(uint32_t play, const char* data, int length);
// Sound of the instance's audio frames on/off. 0 when no sound device can be opened.
TARSIL_EXPORT int x_player_openSound(uint32_t play);
TARSIL_EXPORT int x_player_closeSound(uint32_t play);
// Writes the last decoded picture as a 24-bit .bmp to the UTF-8 path (the folder must exist).
// 0 when there is no picture yet or the file cannot be written.
TARSIL_EXPORT int x_player_capturePicture(uint32_t play, const char* path);
TARSIL_EXPORT int x_player_getStatistics(uint32_t play, TarsilStats* stats);

// ---- local recording ----
// Records the instance's incoming frames (stream copied, not re-encoded) into AVI files
// folder/RecordFiles/YYYYMMDD/DEVICEID/YYYYMMDD_hhmmss.avi (a "_n" suffix when the name is
// taken), starting at the next key frame. Refused (0) when already recording, a text is not
// terminated, the device ID is empty or names no plain folder (".", "..", "/"), the folder
// cannot be made, or free space is below the reserve and cannot be recovered (record-over
// deletes the oldest .avi files under folder/RecordFiles, never the one being written).
// Without record-over the recording stops by itself when free space falls below the reserve.
TARSIL_EXPORT int x_player_startlocalrecord(uint32_t play, LocalRecordParams params);
// Closes the current file (its index is written) and ends the recording thread.
TARSIL_EXPORT int x_player_stoplocalrecord(uint32_t play);
// 1 while recording, 0 otherwise (also after the recording stopped by itself).
TARSIL_EXPORT int x_player_getrecordstatus(uint32_t play);

// ---- overlay text (slot 0 only) ----
// Copies the item; it is drawn over every following picture. 0 for another slot or null item.
TARSIL_EXPORT int x_player_setOsdString(uint32_t play, int slot, const OsdTextItem* item);
TARSIL_EXPORT int x_player_removeOsdstring(uint32_t play, int slot);

// ---- talk ----
TARSIL_EXPORT uint32_t x_player_createDualtalkInstance(void);
// Stops talk if running (waits for the callback in progress) and frees the instance.
TARSIL_EXPORT int x_player_destroyDualtalkInstance(uint32_t talk);
// Captures the microphone (8 kHz mono) and calls back with TARSIL_TALK_BLOCK_BYTES blocks.
// 1 started, 0 no capture device or already running.
TARSIL_EXPORT int x_player_StartDualTalk(uint32_t talk, TalkDataCallback callback, void* user);
// Stops capturing; after it returns no callback runs.
TARSIL_EXPORT int x_player_StopDualTalk(uint32_t talk);

// ---- local file playback (the playback dialog) ----
// Opens an AVI (or any file libavformat reads with H.264, H.265 or MJPEG video; G.711 A-law
// audio is heard, other audio is skipped). Paused at the start; nothing drawn until played.
// 0 when the file cannot be read or has no supported video. Replaces a file already open.
TARSIL_EXPORT int x_player_openFile(uint32_t play, const char* path);
// Stops the file thread and closes the file.
TARSIL_EXPORT int x_player_closeFile(uint32_t play);
// Plays (or resumes) at the file's own pace; starts the decode thread if needed.
TARSIL_EXPORT int x_player_playFile(uint32_t play);
TARSIL_EXPORT int x_player_pauseFile(uint32_t play);
// Moves to the key frame at or before seconds (clamped to the file); keeps playing or paused.
TARSIL_EXPORT int x_player_seekFile(uint32_t play, int seconds);
// Position (media time of the last frame handed on) and duration in milliseconds; either
// pointer may be null. 0 when no file is open.
TARSIL_EXPORT int x_player_getFileTime(uint32_t play, int64_t* position_ms, int64_t* duration_ms);
// 0 no file, 1 playing, 2 paused, 3 ended.
TARSIL_EXPORT int x_player_getFileState(uint32_t play);
// The end-of-file notice; null clears it.
TARSIL_EXPORT int x_player_setFileEndCallback(uint32_t play, FileEndCallback callback, void* user);

#ifdef __cplusplus
}  // extern "C"
static_assert(sizeof(LocalRecordParams) == 784, "LocalRecordParams is 784 bytes");
static_assert(__builtin_offsetof(LocalRecordParams, fileLength_mb) == 768, "settings at 768");
static_assert(sizeof(OsdTextItem) == 188, "OsdTextItem is 188 bytes");
static_assert(__builtin_offsetof(OsdTextItem, color) == 32, "colour at 32");
static_assert(__builtin_offsetof(OsdTextItem, left) == 36, "placement at 36");
static_assert(__builtin_offsetof(OsdTextItem, text) == 52, "text at 52");
static_assert(__builtin_offsetof(OsdTextItem, reserved3) == 184, "last field at 184");
#endif
