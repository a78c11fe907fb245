#include "P2pSession.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "CmdHead.h"
#include "DebugOut.h"
#include "DeviceFamilies.h"
#include "MediaFrames.h"
#include "NasHead.h"
#include "PPPP_API.h"

namespace devsim {

namespace {

constexpr uint32_t kReadTimeout_ms = 100;
constexpr int kMediaTick_ms = 5;

bool IsCipheredFamily(int family) {
    return family == 7 || family == 25;
}

}  // namespace

P2pSession::P2pSession(DeviceContext& device, int handle, int lanSearch)
    : device_(device),
      handle_(handle),
      lanSearch_(lanSearch),
      nas_(device.profile().kind == DeviceKind::kNas) {
    int family = vantor::FamilyIndexOf(device_.profile().id.c_str());
    ciphered_ = IsCipheredFamily(family);
    vantor::DeriveSessionKey(family, device_.profile().id.c_str(), key_);
    lastActivity_ms_ = SteadyMillis();
}

P2pSession::~P2pSession() {
    close();
}

void P2pSession::start() {
    commandThread_ = std::thread([this] { commandLoop(); });
    talkThread_ = std::thread([this] { talkLoop(); });
    mediaThread_ = std::thread([this] { mediaLoop(); });
}

void P2pSession::close() {
    std::lock_guard<std::mutex> g(closeMutex_);
    closing_ = true;
    // Once only: the transport may hand the same handle number to a later session.
    if (!forceClosed_)
        PPPP_ForceClose(handle_);
    forceClosed_ = true;
    {
        std::lock_guard<std::mutex> m(mediaMutex_);
        mediaCv_.notify_all();
    }
    for (std::thread* t : {&commandThread_, &talkThread_, &mediaThread_}) {
        if (t->joinable() && t->get_id() != std::this_thread::get_id())
            t->join();
        // A thread closing its own session leaves itself to the owner's destructor.
    }
    alive_ = false;
}

bool P2pSession::readExact(int channel, char* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        if (closing_)
            return false;
        int size = static_cast<int>(n - got);
        int rc =
            PPPP_Read(handle_, static_cast<uint8_t>(channel), buf + got, &size, kReadTimeout_ms);
        if (rc == 0)
            return true;
        if (rc != ERROR_PPPP_TIME_OUT)
            return false;
        if (size > 0)
            got += static_cast<size_t>(size);
    }
    return true;
}

bool P2pSession::write(int channel, const std::string& data) {
    if (data.empty())
        return true;
    return PPPP_Write(handle_, static_cast<uint8_t>(channel), data.data(),
                      static_cast<int>(data.size())) >= 0;
}

std::string P2pSession::decodeRequest(const char* payload, size_t n) const {
    const char* body = payload;
    size_t len = n;
    bool encrypted = false;
    if (n >= vantor::kHandshakeMarkerBytes &&
        std::memcmp(payload, vantor::kHandshakeMarker, vantor::kHandshakeMarkerBytes) == 0) {
        body += vantor::kHandshakeMarkerBytes;
        len -= vantor::kHandshakeMarkerBytes;
        encrypted = true;
    } else if (n >= 4 && std::memcmp(payload, "GET ", 4) == 0) {
        encrypted = false;
    } else {
        encrypted = ciphered_;
    }
    if (!encrypted)
        return std::string(body, strnlen(body, len));
    std::vector<uint8_t> plain(vantor::CipherOutputBytes(len) + 1, 0);
    // Only whole blocks are meaningful; a ragged tail is ignored rather than read past.
    size_t whole = len / vantor::kCipherBlockBytes * vantor::kCipherBlockBytes;
    if (whole == 0 || vantor::decrypt(key_, body, whole, plain.data()) < 0)
        return {};
    const char* text = reinterpret_cast<const char*>(plain.data());
    return std::string(text, strnlen(text, whole));
}

bool P2pSession::sendNasAnswer(const CgiAnswer& a) {
    std::string payload = a.body;
    NasHead h;
    h.cmd = a.code;
    h.len = static_cast<uint32_t>(payload.size());
    DeviceFaults& f = device_.faults();
    if (f.take(DeviceFaults::Malformed::kBadStartCode))
        h.startcode = 0x0B0B;
    if (f.take(DeviceFaults::Malformed::kGarbage)) {
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = static_cast<char>(0x80 | (i * 37));
    }
    std::string packet(reinterpret_cast<const char*>(&h), sizeof h);
    if (f.take(DeviceFaults::Malformed::kTruncated)) {
        packet += payload.substr(0, payload.size() / 2);
        write(0, packet);
        return false;
    }
    packet += payload;
    ++answers_;
    return write(0, packet);
}

bool P2pSession::sendAnswer(const CgiAnswer& a) {
    if (nas_)
        return sendNasAnswer(a);
    std::string payload = a.body;
    uint16_t start = vantor::kStartCodePlain;
    bool longCode = a.code == vantor::kAnswerLongBlock || a.code == vantor::kAnswerSnapshot ||
                    a.code == vantor::kAnswerLongList;
    if (ciphered_ && !a.binary) {
        // Zero padding ends the text for the reader, which cuts at the first zero byte.
        payload.resize((payload.size() / vantor::kCipherBlockBytes + 1) * vantor::kCipherBlockBytes,
                       '\0');
        if (vantor::encrypt(key_, payload.data(), payload.size(), payload.data()) < 0)
            return false;
        start = vantor::kStartCodeCiphered;
    } else if (ciphered_ && a.code == vantor::kAnswerSnapshot) {
        start = vantor::kStartCodeCiphered;  // the one raw answer a ciphered device marks 0x0A02
    }
    // Lengths above 16 bits exist only for the three long answer codes; the rest is cut.
    size_t maxBytes = longCode ? 0xFEFFFFu : 0xFFFFu;
    if (payload.size() > maxBytes)
        payload.resize(maxBytes);
    vantor::CmdHead h;
    h.startcode = start;
    h.cmd = a.code;
    h.len = static_cast<uint16_t>(payload.size() & 0xFFFF);
    h.lenHigh = longCode ? static_cast<uint16_t>(payload.size() >> 16) : 0;
    DeviceFaults& f = device_.faults();
    if (f.take(DeviceFaults::Malformed::kBadStartCode))
        h.startcode = 0x0B0B;
    if (f.take(DeviceFaults::Malformed::kGarbage)) {
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = static_cast<char>(0x80 | (i * 37));
    }
    std::string packet(reinterpret_cast<const char*>(&h), sizeof h);
    if (f.take(DeviceFaults::Malformed::kTruncated)) {
        packet += payload.substr(0, payload.size() / 2);
        write(0, packet);
        return false;  // the command loop ends and the owner closes the session
    }
    packet += payload;
    ++answers_;
    return write(0, packet);
}

void P2pSession::apply(const CgiAnswer& a) {
    using A = CgiAnswer::Action;
    if (!a.authorised)
        return;
    std::lock_guard<std::mutex> g(mediaMutex_);
    switch (a.action) {
        case A::kStartLive:
            wantLive_ = true;
            liveLoop_ = device_.loopFor(a);
            liveChanged_ = true;
            break;
        case A::kStopLive:
            wantLive_ = false;
            break;
        case A::kStartAudio:
            wantAudio_ = true;
            if (a.audioKind != 0)
                audioKind_ = a.audioKind;
            break;
        case A::kStopAudio:
            wantAudio_ = false;
            break;
        case A::kPlayback: {
            Recording r;
            uint8_t endKind = a.endKind != 0 ? a.endKind : vantor::kFramePlaybackEnd;
            if (device_.handler().findRecording(a.fileName, &r)) {
                playback_ =
                    std::make_unique<PlaybackSource>(device_.loopFor(a), r, a.offset, endKind);
            } else {
                Recording none;  // unknown file: only the end notice
                playback_ = std::make_unique<PlaybackSource>(nullptr, none, 0, endKind);
            }
            break;
        }
        case A::kStopPlayback:
            playback_.reset();
            break;
        default:
            break;
    }
    mediaCv_.notify_all();
}

bool P2pSession::readRequest(std::vector<char>& payload, CgiAnswer* a) {
    if (nas_) {
        NasHead h;
        if (!readExact(0, reinterpret_cast<char*>(&h), sizeof h))
            return false;
        lastActivity_ms_ = SteadyMillis();
        if (h.startcode != NasHead::kStartCode || h.len > kMaxRequestPayloadBytes) {
            vantor::DebugOut("devsim %s: bad recorder request head (start %x, length %u)",
                             device_.profile().id.c_str(), h.startcode, h.len);
            return false;
        }
        if (h.len > 0 && !readExact(0, payload.data(), h.len))
            return false;
        *a = device_.handler().handle(std::string(payload.data(), strnlen(payload.data(), h.len)));
        return true;
    }
    vantor::CmdHead h;
    if (!readExact(0, reinterpret_cast<char*>(&h), sizeof h))
        return false;
    lastActivity_ms_ = SteadyMillis();
    if (h.startcode != vantor::kStartCodePlain) {
        vantor::DebugOut("devsim %s: bad request start code %x", device_.profile().id.c_str(),
                         h.startcode);
        return false;
    }
    size_t n = h.len;
    if (n > 0 && !readExact(0, payload.data(), n))
        return false;
    if (h.cmd == vantor::kCmdFileData) {
        *a = device_.handler().handleFileData(reinterpret_cast<const uint8_t*>(payload.data()), n);
    } else {
        *a = device_.handler().handle(decodeRequest(payload.data(), n));
    }
    return true;
}

void P2pSession::commandLoop() {
    std::vector<char> payload(kMaxRequestPayloadBytes + 1);
    while (!closing_) {
        CgiAnswer a;
        if (!readRequest(payload, &a))
            break;
        int delay = device_.faults().answerDelay();
        while (!closing_ && (delay > 0 || device_.faults().stalled(0))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            delay -= 10;
        }
        if (a.answered && !sendAnswer(a))
            break;
        apply(a);
        if (a.authorised && a.action == CgiAnswer::Action::kReboot) {
            device_.requestReboot();
            break;
        }
    }
    alive_ = false;
    std::lock_guard<std::mutex> m(mediaMutex_);
    closing_ = true;
    mediaCv_.notify_all();
}

void P2pSession::talkLoop() {
    std::vector<char> data(kMaxTalkFrameBytes);
    while (!closing_) {
        vantor::MediaFrameHead h;
        if (!readExact(3, reinterpret_cast<char*>(&h), sizeof h))
            break;
        if (h.dataLen > kMaxTalkFrameBytes)
            break;  // not a talk frame: stop listening
        if (h.dataLen > 0 && !readExact(3, data.data(), h.dataLen))
            break;
        if (h.kind == vantor::kFrameTalk)
            device_.talkReceived(data.data(), h.dataLen);
    }
}

static bool P2pSessionRoom(int handle, int channel, uint32_t limit) {
    uint32_t unsent = 0, unread = 0;
    if (PPPP_Check_Buffer(handle, static_cast<uint8_t>(channel), &unsent, &unread) < 0)
        return false;
    return unsent < limit;
}

void P2pSession::mediaLoop() {
    std::unique_ptr<LiveSource> live;
    bool audioOn = false;
    std::unique_ptr<LiveSource> audio;
    while (!closing_) {
        std::unique_ptr<PlaybackSource> pb;
        {
            std::unique_lock<std::mutex> g(mediaMutex_);
            bool idle = !wantLive_ && !wantAudio_ && !playback_;
            if (idle) {
                live.reset();
                audio.reset();
                mediaCv_.wait_for(g, std::chrono::milliseconds(200));
                continue;
            }
            if (!wantLive_)
                live.reset();
            if (wantLive_ && (!live || liveChanged_)) {
                live = std::make_unique<LiveSource>(liveLoop_, SteadyMillis(), audioKind_);
                liveChanged_ = false;
            }
            if (wantAudio_ && !audioOn)
                audio = std::make_unique<LiveSource>(nullptr, SteadyMillis(), audioKind_);
            if (!wantAudio_)
                audio.reset();
            audioOn = wantAudio_;
            pb = std::move(playback_);
        }
        int64_t now = SteadyMillis();
        DeviceFaults& f = device_.faults();
        if (live && live->videoDue(now)) {
            if (f.stalled(1) || !P2pSessionRoom(handle_, 1, kMediaUnsentLimitBytes)) {
                live->skipVideo();
            } else {
                std::string frame = live->takeVideo(now);
                if (!frame.empty()) {
                    auto* head = reinterpret_cast<vantor::MediaFrameHead*>(frame.data());
                    if (f.take(DeviceFaults::Malformed::kBadMagic))
                        head->magic = 0x12345678;
                    if (f.take(DeviceFaults::Malformed::kOversize)) {
                        head->dataLen = 0x100000;
                        frame.resize(sizeof *head);
                    }
                    if (!write(1, frame))
                        break;
                }
            }
        }
        if (audio && audio->audioDue(now)) {
            std::string block = audio->takeAudio();
            if (!f.stalled(2) && !write(2, block))
                break;
        }
        // Playback runs as fast as the transport's flow control lets it; the client paces.
        int sentPlayback = 0;
        while (pb && !pb->finished() && sentPlayback < 8 && !f.stalled(4) &&
               P2pSessionRoom(handle_, 4, kMediaUnsentLimitBytes)) {
            if (!write(4, pb->next())) {
                closing_ = true;
                break;
            }
            ++sentPlayback;
        }
        {
            std::lock_guard<std::mutex> g(mediaMutex_);
            if (pb && !pb->finished() && !playback_)
                playback_ = std::move(pb);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kMediaTick_ms));
    }
}

bool P2pSession::sendAlarm(uint32_t kind, uint16_t cmd, uint16_t channel) {
    if (!alive_ || device_.faults().stalled(5))
        return false;
    std::lock_guard<std::mutex> g(alarmMutex_);
    if (nas_) {
        NasHead h;
        h.cmd = cmd;
        h.channel = channel;
        std::string payload(reinterpret_cast<const char*>(&kind), sizeof kind);
        if (device_.faults().take(DeviceFaults::Malformed::kShortAlarm))
            payload.resize(2);
        h.len = static_cast<uint32_t>(payload.size());
        if (device_.faults().take(DeviceFaults::Malformed::kBadStartCode))
            h.startcode = 0x0B0B;
        return write(5, std::string(reinterpret_cast<const char*>(&h), sizeof h) + payload);
    }
    vantor::CmdHead h;
    h.startcode = vantor::kStartCodePlain;
    h.cmd = cmd;
    std::string payload(reinterpret_cast<const char*>(&kind), sizeof kind);
    if (device_.faults().take(DeviceFaults::Malformed::kShortAlarm))
        payload.resize(2);
    h.len = static_cast<uint16_t>(payload.size());
    h.lenHigh = 0;
    std::string packet(reinterpret_cast<const char*>(&h), sizeof h);
    packet += payload;
    return write(5, packet);
}

}  // namespace devsim
