#include "FakeRecorder.h"

#include <signal.h>

#include <chrono>
#include <cstring>

#include "IndeedRead.h"
#include "NasCmdHead.h"
#include "PPPP_API.h"

using namespace vantor;

FakeRecorder::FakeRecorder(const std::string& deviceId, const std::string& user,
                           const std::string& pwd)
    : id_(deviceId), user_(user), pwd_(pwd) {}

FakeRecorder::~FakeRecorder() {
    stop();
}

bool FakeRecorder::start() {
    // The transport writes sessions with writev, which raises SIGPIPE when the client is gone.
    signal(SIGPIPE, SIG_IGN);
    PPPP_DeviceOptions opt{};
    device_ = PPPP_Device_Start(id_.c_str(), &opt);
    if (device_ < 0)
        return false;
    running_ = true;
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void FakeRecorder::stop() {
    if (!running_.exchange(false))
        return;
    PPPP_Device_Stop(device_);
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> g(mu_);
        for (int s : sessions_)
            PPPP_ForceClose(s);
        threads.swap(sessionThreads_);
    }
    for (auto& t : threads)
        t.join();
}

void FakeRecorder::on(const std::string& cgi, FakeHandler h) {
    std::lock_guard<std::mutex> g(mu_);
    handlers_[cgi] = std::move(h);
}

void FakeRecorder::acceptLoop() {
    while (running_) {
        PPPP_AcceptInfo info{};
        int s = PPPP_Device_Accept(device_, 100, &info);
        if (s == ERROR_PPPP_USER_LISTEN_BREAK)
            return;
        if (s < 0)
            continue;
        std::lock_guard<std::mutex> g(mu_);
        sessions_.push_back(s);
        sessionThreads_.emplace_back([this, s] { sessionLoop(s); });
    }
}

FakeAnswer FakeRecorder::handle(const std::string& cgi, const std::string& request) {
    {
        std::lock_guard<std::mutex> g(mu_);
        auto it = handlers_.find(cgi);
        if (it != handlers_.end())
            return it->second(cgi, request);
    }
    if (cgi == "check_user.cgi") {
        bool ok = request.find("&user=" + user_ + "&pwd=" + pwd_ + "&") != std::string::npos;
        return FakeAnswer{0x7055, ok ? "result= 0;" : "result=-1;"};
    }
    if (cgi == "get_users.cgi")
        return FakeAnswer{0x7011,
                          "user1_name=\"admin\";user1_pwd=\"\";user2_name=\"\";user2_pwd=\"\";"
                          "user3_name=\"\";user3_pwd=\"\";"};
    return FakeAnswer{};
}

void FakeRecorder::sessionLoop(int session) {
    ChannelReadFn read = [session](int ch, char* d, int* size, uint32_t t) {
        return PPPP_Read(session, static_cast<uint8_t>(ch), d, size, t);
    };
    while (running_) {
        NasCmdHead head;
        if (PPPP_IndeedRead(read, 0, reinterpret_cast<char*>(&head), sizeof head) < 0)
            return;
        if (head.startcode != kNasStartCode || head.len > kNasP2pMaxCommandLen)
            return;
        std::string request(head.len, '\0');
        if (head.len > 0 && PPPP_IndeedRead(read, 0, request.data(), head.len) < 0)
            return;
        log_.add(request);
        FakeAnswer a = handle(CgiOf(request), request);
        if (a.id == 0)
            continue;
        NasCmdHead ah{kNasStartCode,
                      static_cast<uint16_t>(a.id),
                      static_cast<uint32_t>(a.text.size()),
                      0,
                      0,
                      0,
                      0};
        std::lock_guard<std::mutex> g(writeMu_);
        PPPP_Write(session, 0, reinterpret_cast<const char*>(&ah), sizeof ah);
        PPPP_Write(session, 0, a.text.data(), static_cast<int>(a.text.size()));
    }
}

int FakeRecorder::lastSession() {
    std::lock_guard<std::mutex> g(mu_);
    return sessions_.empty() ? -1 : sessions_.back();
}

bool FakeRecorder::sendRaw(int channel, const void* data, size_t n) {
    int s = lastSession();
    if (s < 0)
        return false;
    std::lock_guard<std::mutex> g(writeMu_);
    return PPPP_Write(s, static_cast<uint8_t>(channel), static_cast<const char*>(data),
                      static_cast<int>(n)) >= 0;
}

bool FakeRecorder::sendAlarm(uint16_t recorderChannel, const std::string& payload) {
    NasCmdHead h{kNasStartCode, 0, static_cast<uint32_t>(payload.size()), 0, 0, recorderChannel, 0};
    std::string msg(reinterpret_cast<const char*>(&h), sizeof h);
    msg += payload;
    return sendRaw(5, msg.data(), msg.size());
}

bool FakeRecorder::readRaw(int channel, size_t n, int timeout_ms, std::string* out) {
    int s = lastSession();
    if (s < 0)
        return false;
    out->assign(n, '\0');
    size_t got = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (got < n && std::chrono::steady_clock::now() < deadline) {
        int size = static_cast<int>(n - got);
        int r = PPPP_Read(s, static_cast<uint8_t>(channel), out->data() + got, &size, 100);
        if (r != 0 && r != ERROR_PPPP_TIME_OUT)
            return false;
        got += static_cast<size_t>(size);
    }
    return got == n;
}

long FakeRecorder::unread(int channel) {
    int s = lastSession();
    if (s < 0)
        return -1;
    uint32_t unread = 0;
    if (PPPP_Check_Buffer(s, static_cast<uint8_t>(channel), nullptr, &unread) < 0)
        return -1;
    return static_cast<long>(unread);
}
