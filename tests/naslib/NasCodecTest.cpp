// Requests, answers and framing of the recorder protocol, without a transport.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CAPNasPacket.h"
#include "MediaFrameHead.h"
#include "NasAnswerDispatcher.h"
#include "NasChannelReaders.h"
#include "NasCommandTable.h"
#include "NasHttpExchange.h"
#include "NasPlaybackPacer.h"
#include "NasRecordDecoder.h"
#include "NasStreamFramer.h"
#include "morsk_records.h"

using namespace vantor;

namespace {

std::string Build(int type, const void* record, int size, bool tcp = false) {
    CAPNasPacket p;
    p.SetUser("admin", "123");
    p.SetHost("127.0.0.1", 81);
    p.setTcpMode(tcp ? 1 : 0);
    std::vector<char> out(kRequestTextBytes);
    int len = -1;
    if (p.BuildCommand(type, record, size, out.data(), out.size(), &len) == 0)
        return "<none>";
    EXPECT_EQ(len, static_cast<int>(std::strlen(out.data())));
    return std::string(out.data(), static_cast<size_t>(len));
}

template <typename T>
std::string BuildRec(int type, const T& rec) {
    return Build(type, &rec, sizeof rec);
}

}  // namespace

TEST(NasRequest, ExactTexts) {
    NasWifi wifi{};
    wifi.enable = 1;
    std::strcpy(wifi.ssid, "home");
    wifi.channel = 6;
    wifi.mode = 0;
    wifi.encrypt = 4;
    std::strcpy(wifi.psk, "secret");
    NasDateTime dt{};
    dt.now = 1700000000;
    dt.tz = -3600;
    dt.ntpEnable = 1;
    std::strcpy(dt.ntpServer, "pool.ntp.org");
    dt.ntpInterval = 24;
    dt.ntpSync = 1;
    NasDateTime dtNoNow = dt;
    dtNoNow.now = 0;
    NasCameraControl cc{2, 5, 7};
    NasAlarmCamSet acs{3, 4, 0};
    NasRecordSearch rs{1, 2, 3, 0, 20240101, 20240102};
    NasPlayback pb{};
    pb.partition = 1;
    std::strcpy(pb.fileName, "/rec/a.h264");
    pb.fileSize = 1000;
    pb.fileOffset = 50;
    pb.mode = 10;
    NasSceneQuery sq{2};
    NasFtp ftp{};
    std::strcpy(ftp.server, "f.example");
    ftp.port = 21;
    std::strcpy(ftp.user, "u");
    std::strcpy(ftp.pwd, "p");
    std::strcpy(ftp.dir, "/d");
    ftp.mode = 1;
    NasNetwork net{};
    std::strcpy(net.ipAddr, "10.0.0.2");
    std::strcpy(net.mask, "255.0.0.0");
    std::strcpy(net.gateway, "10.0.0.1");
    std::strcpy(net.dns1, "1.1.1.1");
    std::strcpy(net.dns2, "8.8.8.8");
    net.httpPort = 80;
    net.rtspPort = 554;
    net.dhcp = 0;
    NasAlarmValue av{};
    av.moduleValue = 9;
    av.zone = 1;
    av.position = 2;
    std::strcpy(av.name, "door");
    av.clear = 0;
    NasPlugDelay pd{1, 30};
    NasPnpServer pnp{};
    std::strcpy(pnp.server, "S");
    pnp.port = 1;
    NasAlarmCamControl ctl{4, 5};
    struct Case {
        int type;
        std::string got;
        std::string want;
    } cases[] = {
        {0x2101, Build(0x2101, nullptr, 0), "GET get_status.cgi?&user=admin&pwd=123& "},
        {0x2203, Build(0x2203, nullptr, 0), "GET check_user.cgi?&user=admin&pwd=123& "},
        {0x2010, Build(0x2010, &wifi, 7), "GET set_default.cgi?&user=admin&pwd=123& "},
        {0x2005, BuildRec(0x2005, wifi),
         "GET set_wifi.cgi?enable=1&ssid=home&mode=0&encrypt=4&wpa_psk=secret&channel=6"
         "&user=admin&pwd=123& "},
        {0x2006, BuildRec(0x2006, dt),
         "GET set_datetime.cgi?now=1700000000&tz=-3600&ntp_enable=1&ntp_svr=pool.ntp.org"
         "&ntpinterval=24&ntpsync=1&user=admin&pwd=123& "},
        {0x2006, BuildRec(0x2006, dtNoNow),
         "GET set_datetime.cgi?tz=-3600&ntp_enable=1&ntp_svr=pool.ntp.org&ntpinterval=24"
         "&ntpsync=1&user=admin&pwd=123& "},
        {0x2018, BuildRec(0x2018, cc),
         "/camera_control.cgi?param=5&value=7&channel=2&user=admin&pwd=123&"},
        {0x2019, BuildRec(0x2019, ctl),
         "GET /alarmcam_control.cgi?command=4&value=5&user=admin&pwd=123& "},
        {0x2017, BuildRec(0x2017, acs),
         "GET set_alarm_cam.cgi?zone=3&sit=4&clearall=0&user=admin&pwd=123& "},
        {0x2114, BuildRec(0x2114, rs),
         "GET get_record_file.cgi?partition=1&mode=2&startdate=20240101&enddate=20240102"
         "&alarmtype=3&channel=0&user=admin&pwd=123& "},
        {0x2206, BuildRec(0x2206, pb),
         "GET nas_recordplay.cgi?mode=10&partition=1&filename=/rec/a.h264&fileoffset=50"
         "&filesize=1000&user=admin&pwd=123& "},
        {0x211F, BuildRec(0x211F, sq), "GET get_channel_scene.cgi?channel=2&user=admin&pwd=123& "},
        {0x2003, BuildRec(0x2003, ftp),
         "GET set_ftp.cgi?ftpsvr=f.example&port=21&ftpuser=u&ftppwd=p&ftpdir=/d&ftpmode=1"
         "&user=admin&pwd=123& "},
        {0x2000, BuildRec(0x2000, net),
         "GET set_network.cgi?ipaddr=10.0.0.2&mask=255.0.0.0&gateway=10.0.0.1&dns1=1.1.1.1"
         "&dns2=8.8.8.8&port=80&rtspport=554&dhcp=0&user=admin&pwd=123& "},
        {0x201C, BuildRec(0x201C, av),
         "GET set_alarm_value.cgi?clear=0&modulevalue=9&zone=1&sit=2&modulealias=door"
         "&user=admin&pwd=123& "},
        {0x2013, BuildRec(0x2013, pd),
         "GET set_smart_plug_task_delay.cgi?enable=1&minute=30&user=admin&pwd=123& "},
        {0x200C, BuildRec(0x200C, pnp),
         "GET set_pnp_server.cgi?Pnpserver=S&pnpport=1&pnpuser=&pnppwd=&user=admin&pwd=123& "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << std::hex << c.type;
}

TEST(NasRequest, LongFormsKeepTheirKeyOrder) {
    NasRecordSchedule rs{};
    rs.cameraGpio = 7;
    rs.cameraMotion = 8;
    for (int i = 0; i < NAS_SCHEDULE_SLOTS; ++i)
        rs.schedule[i] = i + 1;
    std::string s = BuildRec(0x2007, rs);
    EXPECT_EQ(s.rfind("GET set_record_schdule.cgi?record_cover_enable=0&record_time_enable=0"
                      "&recorcameragpio=7&recorcameramotion=8&record_audio_enable=0"
                      "&time_schedule_enable=0&record_camera0=0",
                      0),
              0u)
        << s;
    EXPECT_NE(s.find("&schedule_sun_0=1&schedule_sun_1=2"), std::string::npos) << s;
    EXPECT_NE(s.find("&schedule_sat_2=21&user=admin"), std::string::npos) << s;

    NasCameras cams{};
    std::strcpy(cams.camera[3].alias, "yard");
    cams.camera[3].streamId = 11;
    std::string c = BuildRec(0x200A, cams);
    EXPECT_EQ(c.rfind("GET set_camera.cgi?cameraalia0=&cameradeviceid0=", 0), 0u) << c;
    EXPECT_NE(c.find("&camerastreamid0=0&cameraalia1="), std::string::npos) << c;
    EXPECT_NE(c.find("&cameraalia3=yard&"), std::string::npos) << c;
    EXPECT_NE(c.find("&camerastreamid3=11&user=admin&pwd=123& "), std::string::npos) << c;

    NasAlarm al{};
    al.scheduleEnable = 1;
    al.cameraEnable[3] = 1;
    al.schedule[20] = 5;
    std::string a = BuildRec(0x200D, al);
    EXPECT_EQ(a.rfind("GET set_alarm.cgi?alarm_schedule_enable=1&smoke=0&pir=0", 0), 0u) << a;
    EXPECT_NE(a.find("&upload_interval=0&cameraenable0=0&cameraenable1=0&cameraenable2=0"
                     "&cameraenable3=1&alarm_schedule_sun_0=0"),
              std::string::npos)
        << a;
    EXPECT_NE(a.find("&alarm_schedule_sat_2=5&user="), std::string::npos) << a;
}

TEST(NasRequest, StreamPtzAndTcpTail) {
    CAPNasPacket p;
    p.SetUser("admin", "123");
    p.SetHost("127.0.0.1", 81);
    char out[2048];
    int len = 0;
    struct Case {
        std::function<int()> build;
        std::string want;
    } cases[] = {
        {[&] { return p.BuildNasLiveStart(80, 2, out, sizeof out, &len); },
         "GET livestream.cgi?user=admin&pwd=123&streamid=80&channel=2 "},
        {[&] { return p.BuildNasLiveStop(2, out, sizeof out, &len); },
         "GET livestream.cgi?user=admin&pwd=123&streamid=16&channel=2&"},
        {[&] { return p.BuildNasAudioStart(3, 1, out, sizeof out, &len); },
         "GET audiostream.cgi?user=admin&pwd=123&streamid=3&channel=1 "},
        {[&] { return p.BuildNasAudioStop(1, out, sizeof out, &len); },
         "GET audiostream.cgi?user=admin&pwd=123&streamid=16&channel=1&"},
        {[&] { return p.BuildNasPtz(25, 3, out, sizeof out, &len); },
         "/decoder_control.cgi?loginuse=admin&loginpas=123&command=25&onestep=0&channel=3"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.build(), 1);
        EXPECT_EQ(std::string(out, static_cast<size_t>(len)), c.want);
    }
    std::string tcp = Build(0x2101, nullptr, 0, true);
    EXPECT_EQ(tcp.rfind("GET get_status.cgi?&user=admin&pwd=123& HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(tcp.find("Host: 127.0.0.1:81\r\n"), std::string::npos);
    EXPECT_EQ(tcp.substr(tcp.size() - 4), "\r\n\r\n");

    for (int cmd : {0, 7, 25, 61, 90, 95})
        EXPECT_TRUE(CAPNasPacket::IsPtzCommand(cmd)) << cmd;
    for (int cmd : {-1, 8, 24, 62, 89, 96})
        EXPECT_FALSE(CAPNasPacket::IsPtzCommand(cmd)) << cmd;
}

TEST(NasRequest, SizeRulesAndUnterminatedTexts) {
    std::vector<char> big(6692, 0);
    NasAlarmCamSet acs{1, 2, 0};
    EXPECT_EQ(Build(0x2017, big.data(), 6692), "<none>");
    EXPECT_NE(Build(0x2017, &acs, 12), "<none>");
    EXPECT_EQ(Build(0x2005, nullptr, 144), "<none>");  // record required
    EXPECT_EQ(Build(0x2005, big.data(), 143), "<none>");
    EXPECT_EQ(Build(0x2103, nullptr, 0), "<none>");  // no such type
    EXPECT_EQ(Build(0x211F, nullptr, 0), "<none>");  // the scene query needs its channel

    NasAlias alias;
    std::memset(alias.alias, 'A', sizeof alias.alias);  // no terminator
    EXPECT_EQ(BuildRec(0x2008, alias),
              "GET set_alias.cgi?alias=" + std::string(32, 'A') + "&user=admin&pwd=123& ");

    // Every row builds: record rows from a zeroed record of their size, the others bare.
    size_t n = 0;
    const NasCommandRow* rows = NasCommandRows(&n);
    ASSERT_EQ(n, 66u);
    for (size_t i = 0; i < n; ++i) {
        std::vector<char> rec(rows[i].requestBytes + 1, 0);
        std::string s = Build(rows[i].type, rec.data(), rows[i].requestBytes);
        EXPECT_NE(s, "<none>") << std::hex << rows[i].type;
        EXPECT_NE(s.find(rows[i].cgi), std::string::npos) << std::hex << rows[i].type;
    }
}

// ---- answers ----

namespace {

struct Sink : NasAnswerSink {
    std::vector<std::string> calls;
    std::vector<char> lastRecord;
    std::vector<NasRecordFileEntry> files;
    void OnRecord(int type, const void* r, int size) override {
        calls.push_back("record " + std::to_string(type) + " " + std::to_string(size));
        lastRecord.assign(static_cast<const char*>(r), static_cast<const char*>(r) + size);
    }
    void OnResult(int type, int result) override {
        calls.push_back("result " + std::to_string(type) + " " + std::to_string(result));
    }
    void OnRecordFile(const NasRecordFileEntry& e) override { files.push_back(e); }
    void OnAccountResult(int r) override { calls.push_back("account " + std::to_string(r)); }
    void OnFollowUp(int type) override { calls.push_back("queue " + std::to_string(type)); }
    template <typename T>
    const T& rec() const {
        EXPECT_EQ(lastRecord.size(), sizeof(T));
        return *reinterpret_cast<const T*>(lastRecord.data());
    }
};

std::string Status(bool withCam3) {
    std::string t =
        "sys_ver=\"1.2\";deviceid=\"NAS-1\";alias=\"box\";apssid=\"ap\";apencrypt=1;"
        "externssid=\"ext\";externsignale=50;externstatus=1;internet=1;mac=\"00:11\";"
        "wifimac=\"00:22\";alarm_status=0;p2pstatus=1;dns_status=0;upnp_status=0;externwifi=0;"
        "record_sd_status=1;sdtotal=100;sdfree=50;sdlevel=3;harddiskstatus=1;hdpartitionnum=2;";
    for (int i = 0; i < 16; ++i)
        t += "harddisk" + std::to_string(i) + "status=" + std::to_string(i) + ";";
    for (int i = 0; i < 16; ++i)
        t += "Partition" + std::to_string(i) + "size=" + std::to_string(100 + i) + ";";
    for (int i = 0; i < (withCam3 ? 4 : 3); ++i)
        t += "cam" + std::to_string(i) + "status=" + std::to_string(i + 1) + ";";
    return t;
}

std::string Repeat(const std::string& fmt, int n) {
    std::string t;
    for (int i = 0; i < n; ++i) {
        std::string s = fmt;
        for (size_t at; (at = s.find("#")) != std::string::npos;)
            s.replace(at, 1, std::to_string(i));
        t += s;
    }
    return t;
}

}  // namespace

TEST(NasAnswer, DispatchTable) {
    struct Case {
        int answerId;
        std::string text;
        std::vector<std::string> want;
    } cases[] = {
        {0x703C, "result= 0;", {"result 8197 1", "queue 8704"}},  // set_wifi: reboot follows
        {0x703C, "result=\"ok\";", {"result 8197 1", "queue 8704"}},
        {0x703C, "result=-1;", {"result 8197 0"}},
        {0x703C, "result=0;", {"result 8197 0"}},  // only the blank form means ok
        {0x703A, "result= 0;", {"result 8192 1", "queue 8704"}},
        {0x7032, "result= 0;", {"result 8198 1"}},
        {0x7042, "result= 0;", {}},              // set_alarm_cam: never reported
        {0x7051, "result= 0;", {}},              // reboot
        {0x7053, "result= 0;", {"queue 8713"}},  // wifi scan -> result query
        {0x7053, "result=-1;", {}},
        {0x7059, "result=\"ok\";", {"queue 8714"}},  // camera search -> result query
        {0x7055, "result= 0;", {"account 1"}},
        {0x7055, "result=-2;", {"account 0"}},
        {0x7FFF, "result= 0;", {}},  // unknown answer ID
        {0x7001, Status(true), {"record 8449 492"}},
        {0x7001, Status(false), {}},  // strict: one key missing drops it
        {0x700E, "ap_number=40;", {"record 8463 2948"}},
        {0x700E, "ap_number=0;", {}},
        {0x7063, "searchcamertotal=0;", {}},
        {0x7063, "searchcamertotal=2;", {"record 8467 6532"}},
        {0x7103, "count=0;", {}},
        {0x7103, "count=3;", {"record 8470 356"}},
        {0x7069, "searchalarmtotal=-1;", {}},
        {0x7017, "", {"record 8474 6692"}},  // lenient: always delivered
        {0x7004, "", {"record 8455 124"}},
        {0x706B, "", {"record 8479 1664"}},
        {0x7102, "enable=1;", {}},
        {0x7102, "minute=30;enable=1;", {"record 8471 8"}},
        {0x7015, "app_version=\"2.0\";", {"record 8473 16"}},
        {0x7068, "Isconfig=1;", {"record 8476 68"}},
        {0x7202, "direct_ssid=\"plug\";", {"record 8213 32"}},
    };
    for (const auto& c : cases) {
        CAPPacket p;
        Sink s;
        NasAnswerDispatcher::DispatchAnswerId(p, c.answerId, c.text.c_str(), s);
        EXPECT_EQ(s.calls, c.want) << std::hex << c.answerId << " " << c.text;
    }
    // TCP answers go by the type sent: the scan result query delivers record 0x210F.
    CAPPacket p;
    Sink s;
    NasAnswerDispatcher::DispatchType(p, 0x2209, "ap_number=1;", s);
    EXPECT_EQ(s.calls, std::vector<std::string>{"record 8463 2948"});
}

TEST(NasAnswer, RecordContentsCountsAndCuts) {
    CAPPacket p;
    {
        Sink s;
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7001, Status(true).c_str(), s);
        const auto& r = s.rec<NasStatus>();
        EXPECT_STREQ(r.deviceId, "NAS-1");
        EXPECT_EQ(r.externSignal, 50);
        EXPECT_EQ(r.hardDisk[15], 15);
        EXPECT_EQ(r.partitionSize[3], 103);
        EXPECT_EQ(r.camStatus[3], 4);
    }
    {
        Sink s;
        std::string t =
            "ap_number=40;" + Repeat(
                                  "ap_ssid[#]=\"net#\";ap_mac[#]=\"0a:1b:2c:3d:4e:5f\";"
                                  "ap_security[#]=2;ap_dbm0[#]=\"-61\";ap_dbm1[#]=\"40\";"
                                  "ap_mode[#]=1;ap_channel[#]=#;",
                                  40);
        NasAnswerDispatcher::DispatchAnswerId(p, 0x700E, t.c_str(), s);
        const auto& r = s.rec<NasWifiScan>();
        EXPECT_EQ(r.count, 32);
        EXPECT_STREQ(r.ap[31].ssid, "net31");
        EXPECT_EQ(r.ap[31].channel, 31);
        EXPECT_EQ(r.ap[0].dbm0, -61);
        const uint8_t mac[6] = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
        EXPECT_EQ(std::memcmp(r.ap[5].mac, mac, 6), 0);
    }
    {
        Sink s;
        std::string t = "count=12;" + Repeat("used#=1;enable#=1;starttime#=#;sun#=1;", 12);
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7103, t.c_str(), s);
        const auto& r = s.rec<NasPlugTimers>();
        EXPECT_EQ(r.count, 8);
        EXPECT_EQ(r.timer[7].startTime, 7);
        EXPECT_EQ(r.timer[7].day[6], 1);
    }
    {
        Sink s;
        std::string t = "searchalarmtotal=20;" + Repeat("keyvalue[#]=1#;", 20);
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7069, t.c_str(), s);
        const auto& r = s.rec<NasAlarmList>();
        EXPECT_EQ(r.count, 16);
        EXPECT_EQ(r.keyValue[15], 115);
    }
    {
        Sink s;
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7102, "enable=1;minute=30;", s);
        const auto& r = s.rec<NasPlugDelay>();
        EXPECT_EQ(r.enable, 0);
        EXPECT_EQ(r.minutes, 30);
    }
    {
        Sink s;  // a value longer than its field is cut, the record still comes
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7015, "app_version=\"0123456789abcdefXYZ\";", s);
        EXPECT_STREQ(s.rec<NasAppVersion>().version, "0123456789abcde");
    }
    {
        Sink s;
        std::string t =
            "alarmcam[7][15]=3;alarmalias[7][15]=\"back door\";alarmaudio[7]=1;"
            "zonestatus=5;";
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7017, t.c_str(), s);
        const auto& r = s.rec<NasAccessories>();
        EXPECT_EQ(r.entry[7][15].cam, 3);
        EXPECT_STREQ(r.entry[7][15].alias, "back door");
        EXPECT_EQ(r.zoneAudio[7], 1);
        EXPECT_EQ(r.zoneStatus, 5);
    }
}

TEST(NasAnswer, RecordFiles) {
    struct Case {
        std::string text;
        size_t files;
    } cases[] = {
        {"record_num0=0;", 0},
        {"record_num0=-4;", 0},
        {"nothing=1;", 0},
        {"record_num0=2;record_name0[0]=\"a.h264\";record_size0[0]=10;"
         "record_name0[1]=\"b.h264\";record_partition0[1]=3;record_endtime0[1]=99;",
         2},
        {"record_num0=99999999;", static_cast<size_t>(kNasRecordFileMaxEntries)},
    };
    for (const auto& c : cases) {
        CAPPacket p;
        Sink s;
        NasAnswerDispatcher::DispatchAnswerId(p, 0x7005, c.text.c_str(), s);
        ASSERT_EQ(s.files.size(), c.files) << c.text;
    }
    CAPPacket p;
    Sink s;
    NasAnswerDispatcher::DispatchAnswerId(p, 0x7005, cases[3].text.c_str(), s);
    EXPECT_EQ(s.files[0].total, 2);
    EXPECT_EQ(s.files[0].index, 1);
    EXPECT_STREQ(s.files[0].name, "a.h264");
    EXPECT_EQ(s.files[0].size, 10);
    EXPECT_EQ(s.files[1].index, 2);
    EXPECT_STREQ(s.files[1].name, "b.h264");
    EXPECT_EQ(s.files[1].partition, 3);
    EXPECT_EQ(s.files[1].endTime, 99);
}

TEST(NasAnswer, AlarmMapping) {
    struct Case {
        int32_t type;
        int code;
    } cases[] = {{0, 25},  {1, 33},  {5, 33},  {2, 32},  {3, 36},  {4, 36},
                 {6, 37},  {7, 38},  {8, 39},  {9, 40},  {10, 41}, {64, 64},
                 {95, 95}, {96, 96}, {11, -1}, {63, -1}, {97, -1}, {-1, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(NasRecordDecoder::MapAlarmType(c.type), c.code) << c.type;
        int code = -1;
        char payload[4];
        std::memcpy(payload, &c.type, 4);
        EXPECT_EQ(NasAlarmFromPayload(payload, 4, &code), c.code >= 0) << c.type;
    }
    int32_t t = 1;
    EXPECT_FALSE(NasAlarmFromPayload(reinterpret_cast<const char*>(&t), 3, nullptr));
}

// ---- framing ----

namespace {

// A scripted channel: bytes to hand out, then a transport error.
struct ScriptedChannel {
    std::string bytes;
    size_t at = 0;
    int endCode = -14;
    ChannelReadFn fn() {
        return [this](int, char* d, int* size, uint32_t) {
            size_t left = bytes.size() - at;
            if (left == 0) {
                *size = 0;
                return endCode;
            }
            size_t n = std::min(left, static_cast<size_t>(*size));
            std::memcpy(d, bytes.data() + at, n);
            at += n;
            if (static_cast<int>(n) < *size) {
                *size = static_cast<int>(n);
                return -3;
            }
            return 0;
        };
    }
};

std::string Head(uint16_t start, uint16_t cmd, uint32_t len, uint16_t channel = 0) {
    NasCmdHead h{start, cmd, len, 0, 0, channel, 0};
    return std::string(reinterpret_cast<const char*>(&h), sizeof h);
}

std::string Frame(uint8_t kind, uint32_t dataLen, uint32_t magic = kMediaFrameMagic) {
    MediaFrameHead h{};
    h.magic = magic;
    h.kind = kind;
    h.dataLen = dataLen;
    return std::string(reinterpret_cast<const char*>(&h), sizeof h) + std::string(dataLen, 'x');
}

}  // namespace

TEST(NasFraming, HeadReaderDropsOversizeAndEndsOnBadStart) {
    ScriptedChannel ch;
    ch.bytes = Head(0x0A01, 0x7001, 3) + "abc" + Head(0x0A01, 0x7002, 0) +
               Head(0x0A01, 0x7003, kNasAnswerMaxBytes + 1) +
               std::string(kNasAnswerMaxBytes + 1, 'z') + Head(0x0A01, 0x7004, 2) + "ok" +
               Head(0x0B01, 0x7005, 2) + "no";
    std::atomic<bool> running{true};
    std::vector<std::pair<int, std::string>> got;
    NasHeadReader reader;
    auto end = reader.Run(ch.fn(), 0, running, [&](const NasCmdHead& h, const char* p, int n) {
        EXPECT_EQ(p[n], 0);
        got.emplace_back(h.cmd, std::string(p, static_cast<size_t>(n)));
    });
    EXPECT_EQ(end, NasHeadReader::End::kBadStart);
    std::vector<std::pair<int, std::string>> want = {{0x7001, "abc"}, {0x7004, "ok"}};
    EXPECT_EQ(got, want);
}

TEST(NasFraming, MediaReaderEndsOnlyOnOversize) {
    struct Case {
        size_t maxData;
        std::string bytes;
        NasMediaReader::End end;
        int frames;
    } cases[] = {
        {2048, Frame(5, 2048) + Frame(5, 0) + Frame(5, 10), NasMediaReader::End::kReadError, 3},
        {2048, Frame(5, 16) + Frame(5, 2049), NasMediaReader::End::kOversize, 1},
        {0x80000, Frame(0, 0x80001), NasMediaReader::End::kOversize, 0},
    };
    for (auto& c : cases) {
        ScriptedChannel ch;
        ch.bytes = c.bytes;
        std::atomic<bool> running{true};
        int frames = 0;
        NasMediaReader reader(c.maxData);
        EXPECT_EQ(reader.Run(ch.fn(), 1, running, [&](const char*, int) { ++frames; }), c.end);
        EXPECT_EQ(frames, c.frames);
    }
}

TEST(NasFraming, StreamFramerCutsAcrossReceives) {
    NasStreamFramer f;
    ASSERT_TRUE(f.Ensure());
    std::string bytes = Frame(0, 100) + Frame(33, 0) + Frame(1, 5000);
    std::vector<int> lengths;
    auto deliver = [&](const char*, int n) { lengths.push_back(n); };
    for (size_t at = 0; at < bytes.size(); at += 37) {
        size_t n = std::min<size_t>(37, bytes.size() - at);
        std::memcpy(f.space(), bytes.data() + at, n);
        ASSERT_TRUE(f.Commit(n, deliver));
    }
    EXPECT_EQ(lengths, (std::vector<int>{132, 32, 5032}));
    EXPECT_EQ(f.fill(), 0u);

    struct Bad {
        std::string head;
    } bad[] = {{Frame(0, 0, 0x12345678)},
               {Frame(0, 0).replace(16, 4, std::string("\x01\x00\x08\x00", 4))},
               {Frame(0, 0).replace(16, 4, std::string("\xe1\xff\x07\x00", 4))}};
    for (const auto& b : bad) {
        NasStreamFramer g;
        ASSERT_TRUE(g.Ensure());
        std::memcpy(g.space(), b.head.data(), 32);
        EXPECT_FALSE(g.Commit(32, deliver));
    }
}

TEST(NasFraming, PacerTable) {
    struct Step {
        uint8_t kind;
        uint32_t sec;
        uint16_t ms;
        uint32_t seq;
        int pause;
    };
    std::vector<Step> steps = {
        {0, 10, 0, 1, 40},      // first frame: default
        {1, 10, 40, 2, 40},     // consecutive: difference
        {1, 11, 20, 3, 980},    // across a second
        {1, 11, 60, 9, 40},     // gap in sequence: default
        {1, 11, 10, 10, 0},     // backwards: clamped
        {1, 15, 10, 11, 1000},  // far jump: clamped
        {6, 15, 10, 12, 125},   // end of recording
        {1, 15, 50, 13, -1},    // nothing paced after the end
    };
    NasPlaybackPacer p;
    for (const auto& s : steps)
        EXPECT_EQ(p.Next(s.kind, s.sec, s.ms, s.seq), s.pause) << s.seq;
    p.Restart();
    EXPECT_EQ(p.Next(1, 16, 0, 1), 40);
}

TEST(NasHttp, HeaderRules) {
    EXPECT_EQ(NasContentLength("Content-Length: 12\r\n"), 12);
    EXPECT_EQ(NasContentLength("content-length:7\r\n"), 7);
    EXPECT_EQ(NasContentLength("Content-Type: text\r\n"), -1);
    EXPECT_EQ(NasContentLength("Content-Length: -5\r\n"), -1);
    char ip[kNasIpv4TextBytes];
    EXPECT_TRUE(ResolveNasIpv4("127.0.0.1", ip, sizeof ip));
    EXPECT_STREQ(ip, "127.0.0.1");
    EXPECT_FALSE(ResolveNasIpv4("::1", ip, sizeof ip));
    EXPECT_FALSE(ResolveNasIpv4("", ip, sizeof ip));
}

TEST(NasHttp, ResponseBounds) {
    struct Case {
        std::string response;
        int want;  // -1: any error
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 5},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nhello", 0},
        {"HTTP/1.1 200 OK\r\nX-Long: " + std::string(1100, 'a') +
             "\r\nContent-Length: 5\r\n\r\nhello",
         -1},
        {"HTTP/1.1 200 OK\r\nContent-Length: 128000\r\n\r\n" + std::string(128000, 'b'), -1},
        {"HTTP/1.1 200 OK\r\nContent-Length: 127999\r\n\r\n" + std::string(127999, 'b'), 127999},
        {"garbage\r\n\r\n", -1},
    };
    for (const auto& c : cases) {
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        std::thread writer([&] {
            size_t at = 0;
            while (at < c.response.size()) {
                ssize_t n =
                    send(sv[1], c.response.data() + at, c.response.size() - at, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                at += static_cast<size_t>(n);
            }
            shutdown(sv[1], SHUT_WR);
        });
        HttpTimeouts t;
        t.readWait_ms = 1000;
        CAPHttpClient client(t);
        client.socket().Adopt(sv[0]);
        std::vector<char> body(kNasHttpBodyBytes);
        int r = ReadNasResponse(client, body.data(), body.size());
        if (c.want < 0) {
            EXPECT_LT(r, 0) << c.response.substr(0, 40);
        } else {
            EXPECT_EQ(r, c.want) << c.response.substr(0, 40);
        }
        if (c.want == 5) {
            EXPECT_STREQ(body.data(), "hello");
        }
        // Let the writer finish even when the reader stopped early.
        client.Close();
        writer.join();
        close(sv[1]);
    }
}
