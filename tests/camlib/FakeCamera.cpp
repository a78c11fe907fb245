#include "FakeCamera.h"

#include <signal.h>

#include <chrono>
#include <cstring>

#include "CmdHead.h"
#include "DeviceFamilies.h"
#include "IndeedRead.h"
#include "MediaFrameHead.h"
#include "PPPP_API.h"

using namespace vantor;

FakeCamera::FakeCamera(const std::string& deviceId, const std::string& user, const std::string& pwd,
                       bool cipheredAnswers)
    : id_(deviceId), user_(user), pwd_(pwd), ciphered_(cipheredAnswers) {
    DeriveSessionKey(FamilyIndexOf(id_.c_str()), id_.c_str(), key_);
    auto ok = [](int code) {
        return [code](const std::string&, const std::string&) { return Answer{code, "result=0;"}; };
    };
    handlers_ = {
        {"get_params.cgi",
         [this](const std::string&, const std::string&) {
             return Answer{0x6002, defaultGetParams()};
         }},
        {"get_status.cgi",
         [this](const std::string&, const std::string&) {
             return Answer{0x6001, "sys_ver=\"9.1\";deviceid=\"" + id_ + "\";sdstatus=1;"};
         }},
        {"set_users.cgi", ok(0x600E)},
        {"set_wifi.cgi", ok(0x6011)},
        {"set_network.cgi", ok(0x6021)},
        {"set_alias.cgi", ok(0x600F)},
        {"set_datetime.cgi", ok(0x6013)},
        {"reboot.cgi", ok(0x6027)},
    };
}

FakeCamera::~FakeCamera() {
    stop();
}

bool FakeCamera::start() {
    // The tests keep this device writing after the client has closed the session. The
    // transport writes its socket without MSG_NOSIGNAL (reported), which would end the whole
    // test process with SIGPIPE instead of failing the write.
    signal(SIGPIPE, SIG_IGN);
    PPPP_DeviceOptions opt{};
    device_ = PPPP_Device_Start(id_.c_str(), &opt);
    if (device_ < 0) {
        return false;
    }
    running_ = true;
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void FakeCamera::stop() {
    if (!running_.exchange(false)) {
        return;
    }
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

void FakeCamera::on(const std::string& cgi, Handler h) {
    std::lock_guard<std::mutex> g(mu_);
    for (auto& e : handlers_) {
        if (e.first == cgi) {
            e.second = std::move(h);
            return;
        }
    }
    handlers_.emplace_back(cgi, std::move(h));
}

void FakeCamera::acceptLoop() {
    while (running_) {
        PPPP_AcceptInfo info{};
        int s = PPPP_Device_Accept(device_, 100, &info);
        if (s == ERROR_PPPP_USER_LISTEN_BREAK) {
            return;
        }
        if (s < 0) {
            continue;
        }
        std::lock_guard<std::mutex> g(mu_);
        sessions_.push_back(s);
        sessionThreads_.emplace_back([this, s] { sessionLoop(s); });
    }
}

std::string FakeCamera::decodeRequest(const std::vector<uint8_t>& p) {
    const uint8_t* data = p.data();
    size_t n = p.size();
    bool enciphered = ciphered_;
    if (n >= kHandshakeMarkerBytes && memcmp(data, kHandshakeMarker, kHandshakeMarkerBytes) == 0) {
        data += kHandshakeMarkerBytes;
        n -= kHandshakeMarkerBytes;
        enciphered = true;
    }
    if (!enciphered) {
        return std::string(reinterpret_cast<const char*>(data), n);
    }
    std::vector<uint8_t> plain(CipherOutputBytes(n) + 1, 0);
    decrypt(key_, data, n, plain.data());
    return std::string(reinterpret_cast<const char*>(plain.data()));
}

FakeCamera::Answer FakeCamera::handle(const std::string& cgi, const std::string& request) {
    if (cgi == "check_user.cgi") {
        std::lock_guard<std::mutex> g(mu_);
        for (auto& e : handlers_) {
            if (e.first == cgi)
                return e.second(cgi, request);
        }
        bool ok =
            request.find("loginuse=" + user_ + "&loginpas=" + pwd_ + "&") != std::string::npos;
        return Answer{0x60A0, ok ? "result= 0;" : "result=-1;"};
    }
    Handler h;
    {
        std::lock_guard<std::mutex> g(mu_);
        for (auto& e : handlers_) {
            if (e.first == cgi)
                h = e.second;
        }
    }
    return h ? h(cgi, request) : Answer{};
}

void FakeCamera::sessionLoop(int session) {
    ChannelReadFn read = [session](int ch, char* d, int* size, uint32_t t) {
        return PPPP_Read(session, static_cast<uint8_t>(ch), d, size, t);
    };
    while (running_) {
        CmdHead head;
        if (PPPP_IndeedRead(read, 0, reinterpret_cast<char*>(&head), sizeof(head)) < 0) {
            return;
        }
        std::vector<uint8_t> payload(head.len);
        if (head.len > 0 &&
            PPPP_IndeedRead(read, 0, reinterpret_cast<char*>(payload.data()), head.len) < 0) {
            return;
        }
        std::string request = decodeRequest(payload);
        {
            std::lock_guard<std::mutex> g(mu_);
            requests_.push_back(request);
        }
        cv_.notify_all();
        std::string cgi;
        if (request.rfind("GET ", 0) == 0) {
            size_t q = request.find('?');
            cgi = request.substr(4, q == std::string::npos ? std::string::npos : q - 4);
        }
        Answer a = handle(cgi, request);
        if (a.code != 0) {
            answer(session, a.code, a.text);
        }
    }
}

bool FakeCamera::answer(int session, int code, const std::string& text) {
    std::vector<uint8_t> payload;
    uint16_t start = kStartCodePlain;
    if (ciphered_) {
        start = kStartCodeCiphered;
        std::vector<uint8_t> plain(text.begin(), text.end());
        plain.resize(CipherOutputBytes(text.size() + 1), 0);
        payload.resize(plain.size());
        encrypt(key_, plain.data(), plain.size(), payload.data());
    } else {
        payload.assign(text.begin(), text.end());
    }
    CmdHead head{start, static_cast<uint16_t>(code), static_cast<uint16_t>(payload.size()), 0};
    std::lock_guard<std::mutex> g(writeMu_);
    return PPPP_Write(session, 0, reinterpret_cast<const char*>(&head), sizeof(head)) >= 0 &&
           PPPP_Write(session, 0, reinterpret_cast<const char*>(payload.data()),
                      static_cast<int>(payload.size())) >= 0;
}

bool FakeCamera::sendRaw(int channel, const void* data, size_t n) {
    int s;
    {
        std::lock_guard<std::mutex> g(mu_);
        if (sessions_.empty())
            return false;
        s = sessions_.back();
    }
    std::lock_guard<std::mutex> g(writeMu_);
    return PPPP_Write(s, static_cast<uint8_t>(channel), static_cast<const char*>(data),
                      static_cast<int>(n)) >= 0;
}

bool FakeCamera::readRaw(int channel, size_t n, int timeout_ms, std::string* out) {
    int s;
    {
        std::lock_guard<std::mutex> g(mu_);
        if (sessions_.empty())
            return false;
        s = sessions_.back();
    }
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

bool FakeCamera::sendMedia(int channel, uint8_t kind, uint32_t seq, uint32_t seconds, uint16_t ms,
                           const std::string& data) {
    std::vector<char> frame(sizeof(MediaFrameHead) + data.size());
    MediaFrameHead h{};
    h.magic = kMediaFrameMagic;
    h.kind = kind;
    h.seconds = seconds;
    h.millis = ms;
    h.sequence = seq;
    h.dataLen = static_cast<uint32_t>(data.size());
    memcpy(frame.data(), &h, sizeof(h));
    memcpy(frame.data() + sizeof(h), data.data(), data.size());
    return sendRaw(channel, frame.data(), frame.size());
}

bool FakeCamera::sendAlarm(uint16_t cmd, const std::vector<uint8_t>& payload) {
    std::vector<char> msg(sizeof(CmdHead) + payload.size());
    CmdHead h{kStartCodePlain, cmd, static_cast<uint16_t>(payload.size()), 0};
    memcpy(msg.data(), &h, sizeof(h));
    if (!payload.empty())
        memcpy(msg.data() + sizeof(h), payload.data(), payload.size());
    return sendRaw(5, msg.data(), msg.size());
}

bool FakeCamera::waitRequest(const std::string& needle, int timeout_ms, std::string* request) {
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (const auto& r : requests_) {
            if (r.find(needle) != std::string::npos) {
                if (request != nullptr)
                    *request = r;
                return true;
            }
        }
        return false;
    });
}

std::vector<std::string> FakeCamera::requests() {
    std::lock_guard<std::mutex> g(mu_);
    return requests_;
}

int FakeCamera::countRequests(const std::string& needle) {
    std::lock_guard<std::mutex> g(mu_);
    int n = 0;
    for (const auto& r : requests_) {
        if (r.find(needle) != std::string::npos)
            ++n;
    }
    return n;
}

std::string FakeCamera::defaultGetParams() const {
    std::string t =
        "ip=\"127.0.0.1\";mask=\"255.0.0.0\";gateway=\"127.0.0.1\";dns1=\"127.0.0.53\";"
        "dns2=\"\";dhcpen=0;port=81;"
        "user1_name=\"\";user1_pwd=\"\";user2_name=\"\";user2_pwd=\"\";user3_name=\"" +
        user_ + "\";user3_pwd=\"" + pwd_ +
        "\";"
        "ddns_service=0;ddns_user=\"\";ddns_pwd=\"\";ddns_host=\"\";ddns_proxy_svr=\"\";"
        "ddns_mode=0;ddns_proxy_port=0;ddns_status=0;"
        "ftp_svr=\"\";ftp_user=\"\";ftp_pwd=\"\";ftp_dir=\"/\";ftp_port=21;ftp_mode=0;"
        "ftp_upload_interval=0;"
        "mail_svr=\"\";mail_user=\"\";mail_pwd=\"\";mail_sender=\"\";mail_receiver1=\"\";"
        "mail_receiver2=\"\";mail_receiver3=\"\";mail_receiver4=\"\";mail_port=25;mailssl=0;"
        "wifi_enable=1;wifi_ssid=\"lab\";"
        "now=1700000000;tz=0;ntp_enable=1;ntp_svr=\"time\";"
        "alarm_motion_armed=1;alarm_motion_sensitivity=4;alarm_input_armed=0;"
        "alarm_ioin_level=0;alarm_iolinkage=0;alarm_ioout_level=0;alarm_presetsit=0;"
        "alarm_mail=0;alarm_upload_interval=0;alarm_schedule_enable=0;alarm_record=0;";
    const char* days[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    for (const char* d : days) {
        for (int w = 0; w < 3; ++w) {
            t += "alarm_schedule_" + std::string(d) + "_" + std::to_string(w) + "=0;";
        }
    }
    return t;
}
