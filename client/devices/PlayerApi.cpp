#include "PlayerApi.h"

#include <atomic>

namespace vantor::client {

namespace {

class TarsilPlayer final : public IPlayer {
  public:
    int Init() override { return x_player_initPlayLib(); }
    int UnInit() override { return x_player_uninitPlayLib(); }
    uint32_t CreatePlay(int flag) override { return x_player_createPlayInstance(flag); }
    int DestroyPlay(uint32_t play) override { return x_player_destroyPlayInstance(play); }
    int SetPlayWnd(uint32_t play, unsigned long window) override {
        return x_player_setPlayWnd(play, window);
    }
    int StartPlay(uint32_t play) override { return x_player_startPlay(play); }
    int StopPlay(uint32_t play) override { return x_player_stopPlay(play); }
    int InputNetFrame(uint32_t play, const char* data, int length) override {
        return x_player_inputNetFrame(play, data, length);
    }
    int OpenSound(uint32_t play) override { return x_player_openSound(play); }
    int CloseSound(uint32_t play) override { return x_player_closeSound(play); }
    uint32_t CreateTalk() override { return x_player_createDualtalkInstance(); }
    int DestroyTalk(uint32_t talk) override { return x_player_destroyDualtalkInstance(talk); }
    int StartTalk(uint32_t talk, TalkDataCallback callback, void* user) override {
        return x_player_StartDualTalk(talk, callback, user);
    }
    int StopTalk(uint32_t talk) override { return x_player_StopDualTalk(talk); }
    int CapturePicture(uint32_t play, const char* path_utf8) override {
        return x_player_capturePicture(play, path_utf8);
    }
    int GetRecordStatus(uint32_t play) override { return x_player_getrecordstatus(play); }
    int StartLocalRecord(uint32_t play, const LocalRecordParams& params) override {
        return x_player_startlocalrecord(play, params);
    }
    int StopLocalRecord(uint32_t play) override { return x_player_stoplocalrecord(play); }
    int SetOsdString(uint32_t play, int slot, const OsdTextItem& item) override {
        return x_player_setOsdString(play, slot, &item);
    }
    int RemoveOsdString(uint32_t play, int slot) override {
        return x_player_removeOsdstring(play, slot);
    }
};

TarsilPlayer g_tarsil;
std::atomic<IPlayer*> g_override{nullptr};

}  // namespace

IPlayer& Players::Current() {
    IPlayer* o = g_override.load();
    return o ? *o : g_tarsil;
}

void Players::Override(IPlayer* player) {
    g_override.store(player);
}

}  // namespace vantor::client
