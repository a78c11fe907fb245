// The player calls a device object makes, behind one interface so that tests can record them
// and stand in for decoding, sound and files. The default instance forwards to tarsil.
//
// Thread: as tarsil: every call from any thread; InputNetFrame runs on network-library
// threads. Results are tarsil's own (handles: 0 none; others: nonzero success).
// Ownership: Players::Current() is process-wide; Override replaces it (tests), nullptr restores
// tarsil. Replace it only while no device has a player or talk instance.
#pragma once

#include <cstdint>

#include "tarsil.h"

namespace vantor::client {

class IPlayer {
  public:
    virtual ~IPlayer() = default;

    virtual int Init() = 0;
    virtual int UnInit() = 0;

    // flag 1 selects the decoder of video mode 3, 0 otherwise.
    virtual uint32_t CreatePlay(int flag) = 0;
    virtual int DestroyPlay(uint32_t play) = 0;  // blocks until the instance's threads end
    virtual int SetPlayWnd(uint32_t play, unsigned long window) = 0;
    virtual int StartPlay(uint32_t play) = 0;
    virtual int StopPlay(uint32_t play) = 0;
    // One frame (32-byte media head, then data); never blocks on decoding.
    virtual int InputNetFrame(uint32_t play, const char* data, int length) = 0;
    virtual int OpenSound(uint32_t play) = 0;
    virtual int CloseSound(uint32_t play) = 0;

    virtual uint32_t CreateTalk() = 0;
    virtual int DestroyTalk(uint32_t talk) = 0;  // waits for a talk callback in progress
    virtual int StartTalk(uint32_t talk, TalkDataCallback callback, void* user) = 0;
    virtual int StopTalk(uint32_t talk) = 0;  // no callback runs after it returns

    virtual int CapturePicture(uint32_t play, const char* path_utf8) = 0;
    virtual int GetRecordStatus(uint32_t play) = 0;
    virtual int StartLocalRecord(uint32_t play, const LocalRecordParams& params) = 0;
    virtual int StopLocalRecord(uint32_t play) = 0;
    virtual int SetOsdString(uint32_t play, int slot, const OsdTextItem& item) = 0;
    virtual int RemoveOsdString(uint32_t play, int slot) = 0;
};

class Players {
  public:
    static IPlayer& Current();
    static void Override(IPlayer* player);
};

}  // namespace vantor::client
