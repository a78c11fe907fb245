// Record decoders and the answer dispatcher, driven through a recording sink.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AnswerSink.h"
#include "CAPCameraPacket.h"
#include "CameraAnswerDispatcher.h"
#include "darvel.h"

using namespace vantor;

namespace {

struct Recorder : AnswerSink {
    struct Data {
        int type;
        std::vector<char> bytes;
    };
    std::vector<Data> data;
    std::vector<std::pair<int, int>> results;
    std::vector<DarvelRecordListEntry> files;
    std::vector<std::vector<int>> logs;
    std::vector<int> followUps;
    std::vector<int> steps;
    int accepted = 0;

    void OnParamData(int type, const char* r, int n) override {
        data.push_back({type, std::vector<char>(r, r + n)});
    }
    void OnParamResult(int type, int result) override { results.push_back({type, result}); }
    void OnRecordFile(const DarvelRecordListEntry& e) override { files.push_back(e); }
    void OnDeviceLog(int t, int c, int i, int time) override { logs.push_back({t, c, i, time}); }
    void OnAccountAccepted() override { ++accepted; }
    void OnTransferStep(int r) override { steps.push_back(r); }
    void QueueFollowUp(int type) override { followUps.push_back(type); }

    template <typename R>
    R as(size_t i) const {
        R r;
        EXPECT_EQ(data.at(i).bytes.size(), sizeof(R));
        memcpy(&r, data.at(i).bytes.data(), sizeof(R));
        return r;
    }
};

void Answer(Recorder& rec, int type, const std::string& text) {
    CAPCameraPacket p;
    CameraAnswerDispatcher d(p);
    d.Dispatch(type, reinterpret_cast<const uint8_t*>(text.data()), text.size(), rec);
}

void RunCode(Recorder& rec, int code, const std::string& text) {
    CAPCameraPacket p;
    CameraAnswerDispatcher d(p);
    d.DispatchAnswerCode(code, reinterpret_cast<const uint8_t*>(text.data()), text.size(), rec);
}

const std::string kGetParams =
    "ip=\"10.0.0.2\";mask=\"255.0.0.0\";gateway=\"10.0.0.1\";dns1=\"1.1.1.1\";"
    "dns2=\"8.8.4.4\";dhcpen=1;port=81;"
    "user1_name=\"a\";user1_pwd=\"b\";user2_name=\"c\";user2_pwd=\"d\";user3_name=\"admin\";"
    "user3_pwd=\"pw\";"
    "ddns_service=2;ddns_user=\"du\";ddns_pwd=\"dp\";ddns_host=\"dh\";ddns_proxy_svr=\"ps\";"
    "ddns_mode=1;ddns_proxy_port=99;ddns_status=4;"
    "ftp_svr=\"fs\";ftp_user=\"fu\";ftp_pwd=\"fp\";ftp_dir=\"/d\";ftp_port=21;ftp_mode=0;"
    "ftp_upload_interval=30;"
    "mail_svr=\"ms\";mail_user=\"mu\";mail_pwd=\"mp\";mail_sender=\"se\";mail_receiver1=\"r1\";"
    "mail_receiver2=\"r2\";mail_receiver3=\"\";mail_receiver4=\"\";mail_port=25;mailssl=1;"
    "smtpupload=0;"
    "wifi_enable=1;wifi_ssid=\"home\";wifi_channel=6;wifi_mode=0;wifi_authtype=3;"
    "wifi_encrypt=1;wifi_keyformat=0;wifi_defkey=0;wifi_key1=\"\";wifi_key2=\"\";"
    "wifi_key3=\"\";wifi_key4=\"\";wifi_key1_bits=0;wifi_key2_bits=0;wifi_key3_bits=0;"
    "wifi_key4_bits=0;wifi_wpa_psk=\"secret\";"
    "now=1700000000;tz=-28800;ntp_enable=1;ntp_svr=\"pool.ntp.org\";dst_enable=0;dst_time=0;"
    "alarm_motion_armed=1;alarm_motion_sensitivity=5;alarm_input_armed=0;alarm_ioin_level=0;"
    "alarm_iolinkage=0;alarm_ioout_level=0;alarm_presetsit=0;alarm_mail=1;"
    "alarm_upload_interval=0;alarm_schedule_enable=1;"
    "alarm_schedule_sun_0=-1;alarm_schedule_sun_1=-1;alarm_schedule_sun_2=-1;"
    "alarm_schedule_mon_0=-1;alarm_schedule_mon_1=-1;alarm_schedule_mon_2=-1;"
    "alarm_schedule_tue_0=-1;alarm_schedule_tue_1=-1;alarm_schedule_tue_2=-1;"
    "alarm_schedule_wed_0=-1;alarm_schedule_wed_1=-1;alarm_schedule_wed_2=-1;"
    "alarm_schedule_thu_0=-1;alarm_schedule_thu_1=-1;alarm_schedule_thu_2=-1;"
    "alarm_schedule_fri_0=-1;alarm_schedule_fri_1=-1;alarm_schedule_fri_2=-1;"
    "alarm_schedule_sat_0=-1;alarm_schedule_sat_1=-1;alarm_schedule_sat_2=7;"
    "alarm_record=1;alarm_audio=0;alarm_temperture=0;pirenable=1;";

}  // namespace

TEST(AnswerDispatcher, GetAllDeliversEightRecordsInOrder) {
    Recorder rec;
    RunCode(rec, 0x6002, kGetParams);
    ASSERT_EQ(rec.data.size(), 8u);
    const int order[8] = {0x2001, 0x2013, 0x2003, 0x2007, 0x2009, 0x2005, 0x2016, 0x2018};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rec.data[i].type, order[i]);

    auto net = rec.as<DarvelNetworkRecord>(0);
    EXPECT_STREQ(net.ip, "10.0.0.2");
    EXPECT_STREQ(net.dns2, "8.8.4.4");
    EXPECT_EQ(net.dhcp, 1);
    EXPECT_EQ(net.port, 81);
    auto wifi = rec.as<DarvelWifiRecord>(1);
    EXPECT_STREQ(wifi.ssid, "home");
    EXPECT_STREQ(wifi.wpaPsk, "secret");
    EXPECT_EQ(wifi.channel, 6);
    auto users = rec.as<DarvelUsersRecord>(2);
    EXPECT_STREQ(users.user3, "admin");
    EXPECT_STREQ(users.pwd3, "pw");
    auto ftp = rec.as<DarvelFtpRecord>(3);
    EXPECT_STREQ(ftp.dir, "/d");
    EXPECT_EQ(ftp.uploadInterval, 30);
    auto mail = rec.as<DarvelMailRecord>(4);
    EXPECT_STREQ(mail.receiver[1], "r2");
    EXPECT_EQ(mail.ssl, 1);
    auto ddns = rec.as<DarvelDdnsRecord>(5);
    EXPECT_EQ(ddns.proxyPort, 99);
    EXPECT_EQ(ddns.status, 4);
    auto dt = rec.as<DarvelDateTimeRecord>(6);
    EXPECT_EQ(dt.now, 1700000000);
    EXPECT_EQ(dt.tz, -28800);
    EXPECT_STREQ(dt.ntpSvr, "pool.ntp.org");
    auto alarm = rec.as<DarvelAlarmRecord>(7);
    EXPECT_EQ(alarm.motionSensitivity, 5);
    EXPECT_EQ(alarm.record, 1);
    EXPECT_EQ(alarm.schedule[0], -1);
    EXPECT_EQ(alarm.schedule[20], 7);
    EXPECT_EQ(alarm.pirEnable, 1);
    EXPECT_EQ(alarm.reserved, 0);
}

TEST(AnswerDispatcher, MissingRequiredKeyDropsOnlyItsRecord) {
    struct Case {
        const char* key;  // removed from the answer
        int dropped;
    } cases[] = {{"dhcpen=1;", 0x2001},
                 {"wifi_enable=1;", 0x2013},
                 {"ntp_svr=\"pool.ntp.org\";", 0x2016},
                 {"alarm_schedule_sat_2=7;", 0x2018},
                 {"mailssl=1;", 0x2009}};
    for (const Case& c : cases) {
        std::string text = kGetParams;
        size_t at = text.find(c.key);
        ASSERT_NE(at, std::string::npos);
        text.erase(at, strlen(c.key));
        Recorder rec;
        RunCode(rec, 0x6002, text);
        ASSERT_EQ(rec.data.size(), 7u) << c.key;
        for (const auto& d : rec.data)
            EXPECT_NE(d.type, c.dropped) << c.key;
        EXPECT_TRUE(rec.results.empty());
    }
    // Optional keys may be missing: smtpupload, dst_*, alarm_audio...
    std::string text = kGetParams;
    text.erase(text.find("smtpupload=0;"), strlen("smtpupload=0;"));
    Recorder rec;
    RunCode(rec, 0x6002, text);
    EXPECT_EQ(rec.data.size(), 8u);
}

TEST(AnswerDispatcher, ValueLongerThanItsFieldIsCut) {
    Recorder rec;
    std::string longIp(500, '9');
    std::string text = kGetParams;
    text.replace(text.find("10.0.0.2"), 8, longIp);
    RunCode(rec, 0x6002, text);
    ASSERT_FALSE(rec.data.empty());
    auto net = rec.as<DarvelNetworkRecord>(0);
    EXPECT_EQ(strlen(net.ip), 63u);
    EXPECT_STREQ(net.mask, "255.0.0.0");
}

TEST(AnswerDispatcher, SmallAndListRecords) {
    {
        Recorder rec;
        Answer(rec, 0x2746, "result=0;");  // no p2pused=
        EXPECT_TRUE(rec.data.empty());
        Answer(rec, 0x2746, "p2pused=3;");
        ASSERT_EQ(rec.data.size(), 1u);
        EXPECT_EQ(rec.as<int32_t>(0), 3);
    }
    {
        Recorder rec;
        std::string text = "ap_number=40;";
        for (int i = 0; i < 40; ++i) {
            text += "ap_ssid[" + std::to_string(i) + "] =\"net" + std::to_string(i) +
                    "\";ap_channel[" + std::to_string(i) + "]=" + std::to_string(i) + ";";
        }
        Answer(rec, 0x2707, text);
        ASSERT_EQ(rec.data.size(), 1u);
        EXPECT_EQ(rec.data[0].type, 0x2014);
        auto scan = rec.as<DarvelWifiScanRecord>(0);
        EXPECT_EQ(scan.count, 32);
        EXPECT_STREQ(scan.entries[31].ssid, "net31");
        EXPECT_EQ(scan.entries[31].channel, 31);
        Answer(rec, 0x2707, "ap_number=0;");
        EXPECT_EQ(rec.data.size(), 1u);
    }
    {
        Recorder rec;
        Answer(rec, 0x273A, "num=2;presetnum[0]=1;");  // the key needs its blank
        EXPECT_TRUE(rec.data.empty());
        Answer(rec, 0x273A, "x= num=2;presetnum[0]=4;presetused[0]=1;presetnum[1]=5;");
        ASSERT_EQ(rec.data.size(), 1u);
        auto ps = rec.as<DarvelPresetStatusRecord>(0);
        EXPECT_EQ(ps.count, 2);
        EXPECT_EQ(ps.presets[0].num, 4);
        EXPECT_EQ(ps.presets[0].used, 1);
        EXPECT_EQ(ps.presets[1].num, 5);
    }
    {
        Recorder rec;
        Answer(rec, 0x2739, "result=0;");  // no num=: still delivered, count 0
        ASSERT_EQ(rec.data.size(), 1u);
        EXPECT_EQ(rec.as<DarvelPushRecord>(0).count, 0);
    }
    {
        Recorder rec;
        Answer(
            rec, 0x2011,
            "led_mode=1;ptz_center_onstart=0;ptruntimes=2;ptz_patrol_rate=3;ptz_patrol_up_rate=4;"
            "ptz_patrol_down_rate=5;ptz_patrol_left_rate=6;ptz_patrol_right_rate=7;"
            "ptz_disppreset=1;preset_onstart=9;preset0=1;presetf=257;");
        ASSERT_EQ(rec.data.size(), 1u);
        auto misc = rec.as<DarvelMiscRecord>(0);
        EXPECT_EQ(misc.presetOnStart, 9);
        EXPECT_EQ(misc.presets[0], 1);
        EXPECT_EQ(misc.presets[15], 1);  // low byte of 257
    }
    {
        Recorder rec;
        Answer(rec, 0x2701, "sys_ver=\"1.2\";deviceid=\"ABC-123\";sdstatus=1;mcuversion=5;");
        ASSERT_EQ(rec.data.size(), 1u);
        auto st = rec.as<DarvelStatusRecord>(0);
        EXPECT_STREQ(st.deviceId, "ABC-123");
        EXPECT_EQ(st.sdStatus, 1);
        EXPECT_EQ(st.mcuVersion, 5);
    }
}

TEST(AnswerDispatcher, ResultsRebootAndFollowUps) {
    struct Case {
        int type;
        const char* text;
        std::vector<std::pair<int, int>> results;
        std::vector<int> followUps;
    } cases[] = {
        {0x2012, "result=0;", {{0x2012, 1}}, {0x2700}},
        {0x2012, "result=-1;", {{0x2012, 0}}, {}},
        {0x2002, "result=\"ok\";", {{0x2002, 1}}, {0x2700}},
        {0x270A, "result=0;", {{0x270A, 1}}, {0x2700}},
        {0x2710, "result=0;", {{0x2710, 1}}, {0x2700}},
        {0x2000, "result=0;", {{0x2000, 1}}, {}},
        {0x2017, "sdstatus=0;", {{0x2017, 1}}, {}},  // substring tests only
        {0x274B, "result=1;", {{0x274B, 0}}, {}},
        {0x2014, "result=0;", {}, {0x2707}},
        {0x2732, "result=0;", {}, {0x2733}},
        {0x2733, "result=0;", {{0x2732, 1}}, {}},
        {0x2742, "result=0;", {}, {0x2743}},
        {0x2743, "result=5;", {{0x2742, 0}}, {}},
        {0x2719, "result= 2;", {{0x2719, 2}}, {}},
        {0x274A, "result=0;", {}, {}},
        {0x2750, "result=0;", {}, {}},
        {0x2718, "result=0;", {}, {}},
    };
    for (const Case& c : cases) {
        Recorder rec;
        Answer(rec, c.type, c.text);
        EXPECT_EQ(rec.results, c.results) << std::hex << c.type << " " << c.text;
        EXPECT_EQ(rec.followUps, c.followUps) << std::hex << c.type << " " << c.text;
    }
}

TEST(AnswerDispatcher, RecordListsLogsAccountAndTransferSteps) {
    Recorder rec;
    Answer(rec, 0x2706, "record_num0=0;");
    ASSERT_EQ(rec.files.size(), 1u);
    EXPECT_EQ(rec.files[0].total, 0);
    EXPECT_EQ(rec.files[0].index, 0);

    rec.files.clear();
    Answer(rec, 0x2766,
           "record_num0=2;record_name0[0]=\"a.h264\";record_time0[0]=100;record_size0[0]=5;"
           "record_alarm0[0]=1;record_name0[1]=\"b.h264\";record_time0[1]=200;");
    ASSERT_EQ(rec.files.size(), 2u);
    EXPECT_STREQ(rec.files[0].name, "a.h264");
    EXPECT_EQ(rec.files[0].index, 1);
    EXPECT_EQ(rec.files[0].alarm, 1);
    EXPECT_EQ(rec.files[1].total, 2);
    EXPECT_EQ(rec.files[1].index, 2);
    EXPECT_EQ(rec.files[1].time, 200);
    EXPECT_EQ(rec.files[1].size, 0);

    rec.files.clear();
    Answer(rec, 0x2706, "record_num0=2000000000;");  // a forged count is capped
    EXPECT_EQ(rec.files.size(), 2048u);

    Answer(rec, 0x2734, "logcnt=2;type[0]=3;time[0]=50;time[1]=60;");
    ASSERT_EQ(rec.logs.size(), 2u);
    EXPECT_EQ(rec.logs[0], (std::vector<int>{3, 2, 0, 50}));
    EXPECT_EQ(rec.logs[1], (std::vector<int>{-1, 2, 1, 60}));

    Answer(rec, 0x2708, "result=-1;");
    EXPECT_EQ(rec.accepted, 0);
    Answer(rec, 0x2708, "result= 0;");
    EXPECT_EQ(rec.accepted, 1);

    Answer(rec, 0x2717, "result= 1;");
    Answer(rec, 0x5002, "nothing;");
    EXPECT_EQ(rec.steps, (std::vector<int>{1, 255}));

    Answer(rec, 0x271A, "filemd5= 0123456789abcdef0123456789abcdef;");
    Answer(rec, 0x271A, "x=1;");
    ASSERT_EQ(rec.data.size(), 2u);
    EXPECT_EQ(std::string(rec.data[0].bytes.begin(), rec.data[0].bytes.end()),
              "0123456789abcdef0123456789abcdef");
    EXPECT_TRUE(rec.data[1].bytes.empty());
}

TEST(AnswerDispatcher, RawPicturesUnterminatedTextsAndEmptyPayloads) {
    Recorder rec;
    const uint8_t jpeg[] = {0xFF, 0xD8, 0x00, 0x01, 0xFF, 0xD9};
    CAPCameraPacket p;
    CameraAnswerDispatcher d(p);
    d.DispatchAnswerCode(0x6015, jpeg, sizeof(jpeg), rec);
    ASSERT_EQ(rec.data.size(), 1u);
    EXPECT_EQ(rec.data[0].type, 0x270E);
    EXPECT_EQ(rec.data[0].bytes.size(), sizeof(jpeg));
    d.Dispatch(0x270E, jpeg, 0, rec);
    EXPECT_EQ(rec.data.size(), 1u);

    // A plain answer with no terminator: the value runs to the payload's end and no further
    // (under ASan a read past the payload fails this test).
    std::vector<uint8_t> exact;
    const std::string t = "p2pused=12";
    exact.assign(t.begin(), t.end());
    d.Dispatch(0x2746, exact.data(), exact.size(), rec);
    ASSERT_EQ(rec.data.size(), 2u);
    EXPECT_EQ(rec.as<int32_t>(1), 12);
    // The text ends at its first zero byte.
    const char t2[] = "p2pused=;\0p2pused=99;";
    d.Dispatch(0x2746, reinterpret_cast<const uint8_t*>(t2), sizeof(t2) - 1, rec);
    ASSERT_EQ(rec.data.size(), 2u);

    std::string serial(1023, 'x');
    d.Dispatch(0x2726, reinterpret_cast<const uint8_t*>(serial.data()), serial.size(), rec);
    EXPECT_EQ(rec.data.size(), 3u);
    serial.push_back('x');
    d.Dispatch(0x2726, reinterpret_cast<const uint8_t*>(serial.data()), serial.size(), rec);
    EXPECT_EQ(rec.data.size(), 3u);
}
