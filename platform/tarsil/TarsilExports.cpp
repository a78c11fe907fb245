// The exported x_player_* functions: handle lookup, argument checks, then the instance.
#include <cstring>
#include <string>

#include "PlayerRegistry.h"
#include "tarsil.h"

using tarsil::PlayerRegistry;

namespace {

PlayerRegistry& registry() {
    return PlayerRegistry::instance();
}

constexpr size_t kMaxPathBytes = 4096;

}  // namespace

extern "C" {

TARSIL_EXPORT int x_player_initPlayLib(void) {
    return registry().init() ? 1 : 0;
}

TARSIL_EXPORT int x_player_uninitPlayLib(void) {
    registry().uninit();
    return 1;
}

TARSIL_EXPORT uint32_t x_player_createPlayInstance(int /*flag*/) {
    return registry().createPlay();
}

TARSIL_EXPORT int x_player_destroyPlayInstance(uint32_t play) {
    return registry().destroyPlay(play) ? 1 : 0;
}

TARSIL_EXPORT int x_player_setPlayWnd(uint32_t play, unsigned long window) {
    auto p = registry().play(play);
    return p && p->setWindow(window) ? 1 : 0;
}

TARSIL_EXPORT int x_player_startPlay(uint32_t play) {
    auto p = registry().play(play);
    return p && p->startPlay() ? 1 : 0;
}

TARSIL_EXPORT int x_player_stopPlay(uint32_t play) {
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->stopPlay();
    return 1;
}

TARSIL_EXPORT int x_player_inputNetFrame(uint32_t play, const char* data, int length) {
    if (!data || length <= 0)
        return 0;
    auto p = registry().play(play);
    return p && p->inputNetFrame(reinterpret_cast<const uint8_t*>(data),
                                 static_cast<size_t>(length))
               ? 1
               : 0;
}

TARSIL_EXPORT int x_player_openSound(uint32_t play) {
    auto p = registry().play(play);
    return p && p->openSound() ? 1 : 0;
}

TARSIL_EXPORT int x_player_closeSound(uint32_t play) {
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->closeSound();
    return 1;
}

TARSIL_EXPORT int x_player_capturePicture(uint32_t play, const char* path) {
    if (!path || strnlen(path, kMaxPathBytes) >= kMaxPathBytes)
        return 0;
    auto p = registry().play(play);
    return p && p->capturePicture(path) ? 1 : 0;
}

TARSIL_EXPORT int x_player_getStatistics(uint32_t play, TarsilStats* stats) {
    auto p = registry().play(play);
    if (!p || !stats)
        return 0;
    p->stats(*stats);
    return 1;
}

TARSIL_EXPORT int x_player_startlocalrecord(uint32_t play, LocalRecordParams params) {
    auto p = registry().play(play);
    return p && p->startRecord(params) ? 1 : 0;
}

TARSIL_EXPORT int x_player_stoplocalrecord(uint32_t play) {
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->stopRecord();
    return 1;
}

TARSIL_EXPORT int x_player_getrecordstatus(uint32_t play) {
    auto p = registry().play(play);
    return p && p->recording() ? 1 : 0;
}

TARSIL_EXPORT int x_player_setOsdString(uint32_t play, int slot, const OsdTextItem* item) {
    if (slot != 0 || !item)
        return 0;
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->setOsd(*item);
    return 1;
}

TARSIL_EXPORT int x_player_removeOsdstring(uint32_t play, int slot) {
    if (slot != 0)
        return 0;
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->removeOsd();
    return 1;
}

TARSIL_EXPORT uint32_t x_player_createDualtalkInstance(void) {
    return registry().createTalk();
}

TARSIL_EXPORT int x_player_destroyDualtalkInstance(uint32_t talk) {
    return registry().destroyTalk(talk) ? 1 : 0;
}

TARSIL_EXPORT int x_player_StartDualTalk(uint32_t talk, TalkDataCallback callback, void* user) {
    auto t = registry().talk(talk);
    return t && t->start(callback, user) ? 1 : 0;
}

TARSIL_EXPORT int x_player_StopDualTalk(uint32_t talk) {
    auto t = registry().talk(talk);
    if (!t)
        return 0;
    t->stop();
    return 1;
}

TARSIL_EXPORT int x_player_openFile(uint32_t play, const char* path) {
    if (!path || strnlen(path, kMaxPathBytes) >= kMaxPathBytes)
        return 0;
    auto p = registry().play(play);
    return p && p->file().open(path) ? 1 : 0;
}

TARSIL_EXPORT int x_player_closeFile(uint32_t play) {
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->file().close();
    return 1;
}

TARSIL_EXPORT int x_player_playFile(uint32_t play) {
    auto p = registry().play(play);
    return p && p->startPlay() && p->file().play() ? 1 : 0;
}

TARSIL_EXPORT int x_player_pauseFile(uint32_t play) {
    auto p = registry().play(play);
    return p && p->file().pause() ? 1 : 0;
}

TARSIL_EXPORT int x_player_seekFile(uint32_t play, int seconds) {
    auto p = registry().play(play);
    return p && p->file().seek(seconds) ? 1 : 0;
}

TARSIL_EXPORT int x_player_getFileTime(uint32_t play, int64_t* position_ms, int64_t* duration_ms) {
    auto p = registry().play(play);
    return p && p->file().time(position_ms, duration_ms) ? 1 : 0;
}

TARSIL_EXPORT int x_player_getFileState(uint32_t play) {
    auto p = registry().play(play);
    return p ? p->file().state() : 0;
}

TARSIL_EXPORT int x_player_setFileEndCallback(uint32_t play, FileEndCallback callback, void* user) {
    auto p = registry().play(play);
    if (!p)
        return 0;
    p->file().setEndCallback(callback, user);
    return 1;
}

}  // extern "C"
