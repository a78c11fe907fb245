// Answer decoding and request building of the camera library, each against a reference run
// in the same process: decoding the get-all answer (eight records, ~150 keys) is compared with
// one plain strstr per key over the same text, the floor of any key/value decoder; building a
// set_alarm request (36 values) with formatting the same values by snprintf into one buffer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AnswerSink.h"
#include "CAPCameraPacket.h"
#include "CameraAnswerDispatcher.h"

namespace {

std::string GetAllAnswer() {
    std::string t =
        "ip=\"10.0.0.2\";mask=\"255.0.0.0\";gateway=\"10.0.0.1\";dns1=\"1.1.1.1\";dns2=\"\";"
        "dhcpen=1;port=81;user1_name=\"a\";user1_pwd=\"b\";user2_name=\"c\";user2_pwd=\"d\";"
        "user3_name=\"admin\";user3_pwd=\"pw\";ddns_service=2;ddns_user=\"u\";ddns_pwd=\"p\";"
        "ddns_host=\"h\";ddns_proxy_svr=\"s\";ddns_mode=1;ddns_proxy_port=9;ddns_status=4;"
        "ftp_svr=\"f\";ftp_user=\"u\";ftp_pwd=\"p\";ftp_dir=\"/\";ftp_port=21;ftp_mode=0;"
        "ftp_upload_interval=30;mail_svr=\"m\";mail_user=\"u\";mail_pwd=\"p\";mail_sender=\"s\";"
        "mail_receiver1=\"r\";mail_receiver2=\"\";mail_receiver3=\"\";mail_receiver4=\"\";"
        "mail_port=25;mailssl=1;smtpupload=0;wifi_enable=1;wifi_ssid=\"home\";wifi_channel=6;"
        "wifi_wpa_psk=\"secret\";now=1700000000;tz=0;ntp_enable=1;ntp_svr=\"pool\";"
        "alarm_motion_armed=1;alarm_motion_sensitivity=5;alarm_input_armed=0;"
        "alarm_ioin_level=0;alarm_iolinkage=0;alarm_ioout_level=0;alarm_presetsit=0;"
        "alarm_mail=1;alarm_upload_interval=0;alarm_schedule_enable=1;alarm_record=1;";
    const char* days[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    for (const char* d : days) {
        for (int w = 0; w < 3; ++w) {
            t += "alarm_schedule_" + std::string(d) + "_" + std::to_string(w) + "=-1;";
        }
    }
    return t;
}

struct CountSink : vantor::AnswerSink {
    int n = 0;
    void OnParamData(int, const char*, int) override { ++n; }
    void OnParamResult(int, int) override {}
    void OnRecordFile(const DarvelRecordListEntry&) override {}
    void OnDeviceLog(int, int, int, int) override {}
    void OnAccountAccepted() override {}
    void OnTransferStep(int) override {}
    void QueueFollowUp(int) override {}
};

void BM_DecodeGetAll(benchmark::State& state) {
    std::string text = GetAllAnswer();
    vantor::CAPCameraPacket packet;
    vantor::CameraAnswerDispatcher d(packet);
    CountSink sink;
    for (auto _ : state) {
        d.DispatchAnswerCode(0x6002, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                             sink);
    }
    if (sink.n != static_cast<int>(state.iterations()) * 8)
        state.SkipWithError("records lost");
}
BENCHMARK(BM_DecodeGetAll);

void BM_ReferenceStrstrPerKey(benchmark::State& state) {
    std::string text = GetAllAnswer();
    std::vector<std::string> keys;
    for (size_t i = 0; i < text.size();) {
        size_t eq = text.find('=', i);
        size_t semi = text.find(';', eq);
        if (eq == std::string::npos || semi == std::string::npos)
            break;
        keys.push_back(text.substr(i, eq - i + 1));
        i = semi + 1;
    }
    for (auto _ : state) {
        size_t found = 0;
        for (const auto& k : keys)
            found += strstr(text.c_str(), k.c_str()) != nullptr;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_ReferenceStrstrPerKey);

void BM_BuildSetAlarm(benchmark::State& state) {
    vantor::CAPCameraPacket packet;
    packet.SetUser("admin", "pw");
    DarvelAlarmRecord rec{};
    std::vector<char> out(65536);
    for (auto _ : state) {
        int n = 0;
        benchmark::DoNotOptimize(
            packet.BuildCommand(0x2017, &rec, sizeof(rec), out.data(), out.size(), &n));
    }
}
BENCHMARK(BM_BuildSetAlarm);

void BM_ReferenceSnprintf36(benchmark::State& state) {
    char out[4096];
    for (auto _ : state) {
        int n = 0;
        for (int i = 0; i < 36; ++i) {
            n += snprintf(out + n, sizeof(out) - static_cast<size_t>(n), "&schedule_x_%d=%d", i, i);
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReferenceSnprintf36);

}  // namespace

BENCHMARK_MAIN();
