// Exact request texts of the camera command table, as the device sees them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CAPCameraPacket.h"
#include "CameraCommandTable.h"
#include "darvel.h"

using namespace vantor;

namespace {

const std::string kLong = "&loginuse=admin&loginpas=pw&user=admin&pwd=pw& ";
const std::string kShort = "&loginuse=admin&loginpas=pw& ";

std::string Build(int type, const void* rec = nullptr, int len = 0, bool tcp = false) {
    CAPCameraPacket p;
    p.SetUser("admin", "pw");
    if (tcp) {
        p.setTcpMode(1);
        p.SetHost("cam.local", 81);
    }
    std::vector<char> out(65536);
    int n = 0;
    if (p.BuildCommand(type, rec, len, out.data(), out.size(), &n) == 0) {
        return "<refused>";
    }
    EXPECT_EQ(static_cast<size_t>(n), strlen(out.data()));
    return std::string(out.data(), static_cast<size_t>(n));
}

template <typename R>
std::string BuildRec(int type, const R& r) {
    return Build(type, &r, sizeof(r));
}

}  // namespace

TEST(CommandTable, BareQueriesUseTheLongLoginForm) {
    struct Case {
        int type;
        const char* cgi;
    } cases[] = {
        {0x2001, "get_params.cgi?"},
        {0x2003, "get_params.cgi?"},
        {0x2018, "get_params.cgi?"},
        {0x2011, "get_misc.cgi?"},
        {0x2014, "wifi_scan.cgi?"},
        {0x2700, "reboot.cgi?"},
        {0x2701, "get_status.cgi?"},
        {0x2708, "check_user.cgi?"},
        {0x270E, "snapshot.cgi?"},
        {0x272D, "zel_get_wifi_modules_params.cgi?"},
        {0x2746, "get_p2p_user.cgi?"},
        {0x5003, "p2p_transfer_firmware_end.cgi?"},
        {0x6105, "get_area_alarm_switch.cgi?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Build(c.type), "GET " + std::string(c.cgi) + kLong) << std::hex << c.type;
    }
}

TEST(CommandTable, RecordRequestsExactTexts) {
    DarvelNetworkRecord net{};
    strcpy(net.ip, "192.168.1.9");
    strcpy(net.mask, "255.255.255.0");
    strcpy(net.gateway, "192.168.1.1");
    strcpy(net.dns1, "8.8.8.8");
    strcpy(net.dns2, "1.1.1.1");
    net.dhcp = 0;
    net.port = 81;
    EXPECT_EQ(BuildRec(0x2000, net),
              "GET set_network.cgi?ipaddr=192.168.1.9&mask=255.255.255.0&gateway=192.168.1.1&"
              "dns1=8.8.8.8&dns2=1.1.1.1&dhcp=0&port=81" +
                  kLong);

    DarvelDdnsRecord ddns{};
    ddns.service = 3;
    strcpy(ddns.user, "du");
    strcpy(ddns.pwd, "dp");
    strcpy(ddns.host, "h.example");
    strcpy(ddns.proxySvr, "px");
    ddns.proxyPort = 8080;
    ddns.mode = 1;
    EXPECT_EQ(BuildRec(0x2004, ddns),
              "GET set_ddns.cgi?service=3&user=du&pwd=dp&host=h.example&proxy_svr=px&"
              "proxy_port=8080&ddns_mode=1" +
                  kShort);

    DarvelFtpRecord ftp{};
    strcpy(ftp.svr, "f");
    ftp.port = 21;
    EXPECT_EQ(BuildRec(0x2006, ftp),
              "GET set_ftp.cgi?svr=f&port=21&user=&pwd=&dir=&mode=0&upload_interval=0" + kShort);

    DarvelMailRecord mail{};
    strcpy(mail.sender, "s@x");
    mail.port = 25;
    EXPECT_EQ(BuildRec(0x2008, mail),
              "GET set_mail.cgi?sender=s@x&receiver1=&receiver2=&receiver3=&receiver4=&ssl=0&"
              "svr=&smtpport=25&smtpupload=0&user=&pwd=" +
                  kShort);

    DarvelDateTimeRecord dt{};
    dt.tz = -3600;
    dt.ntpEnable = 1;
    strcpy(dt.ntpSvr, "pool");
    dt.dstTime = 2;
    dt.dstEnable = 1;
    EXPECT_EQ(
        BuildRec(0x2015, dt),
        "GET set_datetime.cgi?tz=-3600&ntp_enable=1&ntp_svr=pool&dst_time=2&dst_enable=1" + kLong);
    dt.now = 1600000000;
    EXPECT_EQ(BuildRec(0x2015, dt),
              "GET set_datetime.cgi?now=1600000000&tz=-3600&ntp_enable=1&ntp_svr=pool" + kLong);

    int32_t on = 1;
    int32_t off = 0;
    EXPECT_EQ(Build(0x2716, &on, 4),
              "GET serial_transparent.cgi?cfgmode=1&cmdhex=4C4F434B30" + kLong);
    EXPECT_EQ(Build(0x2716, &off, 4),
              "GET serial_transparent.cgi?cfgmode=1&cmdhex=4C4F434B31" + kLong);

    DarvelCameraControlRecord cc{};
    cc.param = 38;
    strcpy(cc.text, "net");
    EXPECT_EQ(BuildRec(0x2026, cc), "GET camera_control.cgi?param=38&ssid=net" + kLong);
    cc.param = 39;
    EXPECT_EQ(BuildRec(0x2026, cc), "GET camera_control.cgi?param=39&passwd=net" + kLong);
    cc.param = 1;
    cc.value = 7;
    EXPECT_EQ(BuildRec(0x2026, cc), "GET camera_control.cgi?param=1&value=7" + kLong);

    DarvelExtraRecord extra{1, 2, 99, 4};
    EXPECT_EQ(BuildRec(0x271E, extra),
              "GET set_extra.cgi?close_ap=1&close_mic=2&maxfilecnt=4" + kLong);

    DarvelPlaybackRecord pb{};
    strcpy(pb.fileName, "rec_0001.h264");
    pb.offset = 5;
    pb.streamId = 17;
    EXPECT_EQ(BuildRec(0x5004, pb),
              "GET livestream.cgi?streamid=17&filename=rec_0001.h264&offset=5" + kLong);

    const char name[] = "a.jpg";
    EXPECT_EQ(Build(0x6107, name, 5), "GET get_tf_picture.cgi?tf_filename=a.jpg" + kLong);
    EXPECT_EQ(Build(0x2725, "AB", 2), "GET serial_input.cgi?serialbuf=AB&length=2" + kLong);
}

TEST(CommandTable, RepeatedShapes) {
    int32_t plan[25];
    for (int i = 0; i < 25; ++i)
        plan[i] = i;
    std::string s = Build(0x274A, plan, sizeof(plan));
    EXPECT_EQ(s.rfind("GET trans_cmd_string.cgi?cmd=0&command=1&mark=2&motion_push_plan1=3&", 0),
              0u);
    EXPECT_NE(s.find("&motion_push_plan15=17,&motion_push_plan16=18&"), std::string::npos);
    EXPECT_NE(s.find("&motion_push_plan21=23&motion_push_plan_enable=24" + kLong),
              std::string::npos);

    DarvelAlarmTimesRecord times{};
    times.periods[0] = {1, 2, 3, 4};
    times.periods[27] = {5, 6, 7, 8};
    s = Build(0x2740, &times, sizeof(times));
    EXPECT_EQ(s.rfind("GET set_alarm_times.cgi?wday[0]time[0]starthour=1&wday[0]time[0]startmin=2&"
                      "wday[0]time[0]endhour=3&wday[0]time[0]endmin=4&wday[0]time[1]starthour=0&",
                      0),
              0u);
    EXPECT_NE(s.find("wday[6]time[3]endmin=8&" + kLong), std::string::npos);

    int32_t sw[16] = {};
    sw[15] = 1;
    s = Build(0x6104, sw, sizeof(sw));
    EXPECT_EQ(s.rfind("GET set_area_alarm_switch.cgi?alarmswitch[0]=0&alarmswitch[1]=0&", 0), 0u);
    EXPECT_NE(s.find("alarmswitch[15]=1&" + kLong), std::string::npos);

    DarvelAlarmRecord alarm{};
    alarm.schedule[0] = 11;
    alarm.schedule[20] = 22;
    alarm.callSound = 3;
    s = Build(0x2017, &alarm, sizeof(alarm));
    EXPECT_NE(s.find("&schedule_enable=0&schedule_sun_0=11&schedule_sun_1=0&"), std::string::npos);
    EXPECT_NE(s.find("&schedule_sat_2=22&alarm_audio=0&alarm_temp=0&record=0&pirenable=0&"
                     "alarm_call_sound=3" +
                     kLong),
              std::string::npos);
}

TEST(CommandTable, RefusesMissingOrMisSizedRecords) {
    std::vector<char> big(400, 0);
    EXPECT_EQ(Build(0x2000, big.data(), 331), "<refused>");
    EXPECT_EQ(Build(0x2000, nullptr, 332), "<refused>");
    EXPECT_EQ(Build(0x2012, big.data(), 300), "<refused>");
    EXPECT_EQ(Build(0x2719, big.data(), 4), "<refused>");  // needs the 36-byte record
    EXPECT_EQ(Build(0x271A, nullptr, 0), "<refused>");
    // Types without a builder.
    for (int t : {0x270F, 0x2718, 0x2726, 0x2766, 0x1234, 0x6103}) {
        EXPECT_EQ(Build(t, big.data(), 8), "<refused>") << std::hex << t;
    }
}

TEST(CommandTable, UnterminatedTextFieldStopsAtItsWidth) {
    DarvelAliasRecord alias;
    memset(alias.alias, 'A', sizeof(alias.alias));
    std::string s = BuildRec(0x2702, alias);
    EXPECT_EQ(s, "GET set_alias.cgi?alias=" + std::string(64, 'A') + kLong);
    // Free text records stop at the given length too.
    char name[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(Build(0x2729, name, 3), "GET del_record_file.cgi?filename=abc" + kLong);
}

TEST(CommandTable, TcpModeAppendsTheHttpTail) {
    std::string s = Build(0x2701, nullptr, 0, true);
    EXPECT_EQ(s.rfind("GET get_status.cgi?" + kLong + "HTTP/1.1\r\n", 0), 0u);
    const std::string end = "Host: cam.local:81\r\nConnection: Keep-Alive\r\n\r\n";
    ASSERT_GE(s.size(), end.size());
    EXPECT_EQ(s.substr(s.size() - end.size()), end);
}

TEST(CommandTable, RecordSearchSendsLocalSeconds) {
    DarvelRecordSearch q{};
    q.start = {2020, 1, 1, 0, 0, 0};
    q.end = {2020, 1, 1, 23, 59, 59};
    q.fileMode = 2;
    q.fileIndex = 3;
    struct tm a {};
    a.tm_year = 120;
    a.tm_mon = 0;
    a.tm_mday = 1;
    a.tm_isdst = 0;
    struct tm b = a;
    b.tm_hour = 23;
    b.tm_min = 59;
    b.tm_sec = 59;
    long from = static_cast<long>(mktime(&a));
    long to = static_cast<long>(mktime(&b));
    EXPECT_EQ(to - from, 86399);
    EXPECT_EQ(BuildRec(0x2706, q), "GET get_record_file.cgi?start_date=" + std::to_string(from) +
                                       "&end_date=" + std::to_string(to) +
                                       "&file_mode=2&file_index=3&PageIndex=0&PageSize=2048" +
                                       kLong);
    EXPECT_EQ(Build(0x2734, &q, sizeof(q)),
              "GET get_lxlog.cgi?lx700_start_time=" + std::to_string(from) +
                  "&lx700_end_time=" + std::to_string(to) + kLong);

    // A date past what the 32-bit request field holds would wrap to a wrong range.
    q.end.year = 2099;
    EXPECT_EQ(BuildRec(0x2706, q), "<refused>");
    EXPECT_EQ(Build(0x2734, &q, sizeof(q)), "<refused>");

    CAPCameraPacket p;
    p.SetUser("admin", "pw");
    DarvelRecordPage page{2, 50};
    char out[512];
    int n = 0;
    ASSERT_EQ(p.BuildRecordPageCommand(&page, sizeof(page), out, sizeof(out), &n), 1);
    EXPECT_EQ(std::string(out, n), "GET get_record_file.cgi?PageIndex=2&PageSize=50" + kShort);
    EXPECT_EQ(p.BuildRecordPageCommand(&page, 7, out, sizeof(out), &n), 0);
}

TEST(CommandTable, AnswerCodeTable) {
    int types[kAnswerTypesMax];
    ASSERT_EQ(CAPCameraPacket::AnswerTypes(0x6002, types), 8);
    const int getAll[8] = {0x2001, 0x2013, 0x2003, 0x2007, 0x2009, 0x2005, 0x2016, 0x2018};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(types[i], getAll[i]);
    struct {
        int code, type;
    } cases[] = {{0x6001, 0x2701}, {0x6007, 0x2706}, {0x6015, 0x270E},
                 {0x602A, 0x2707}, {0x6067, 0x2766}, {0x60A0, 0x2708},
                 {0x60C2, 0x5002}, {0x6103, 0x6107}, {0x6106, 0x6106}};
    for (auto c : cases) {
        ASSERT_EQ(CAPCameraPacket::AnswerTypes(c.code, types), 1);
        EXPECT_EQ(types[0], c.type);
    }
    EXPECT_EQ(CAPCameraPacket::AnswerTypes(0x6041, types), 0);
    EXPECT_EQ(CAPCameraPacket::AnswerTypes(0x6004, types), 0);
}
