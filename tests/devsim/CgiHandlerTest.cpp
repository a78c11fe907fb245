// The settings store answering CGIs, as a table: answer codes, exact key=value text, set
// round trips, refusals, and the upgrade steps with a real MD5 check.
#include <gtest/gtest.h>

#include <string>

#include "CgiHandler.h"
#include "SessionCipher.h"
#include "SettingsSchema.h"

namespace devsim {
namespace {

constexpr const char* kLogin = "&loginuse=admin&loginpas=secret&user=admin&pwd=secret& ";

DeviceProfile Profile() {
    DeviceProfile p;
    p.id = "VSIM000001SIMAA";
    p.name = "Porch";
    p.password = "secret";
    p.firmware = "48.53.64.1";
    p.recordings = 4;
    return p;
}

std::string Get(const std::string& cgi) {
    return "GET " + cgi + "?" + kLogin;
}

// The client finds a key by plain substring search, so each key's first occurrence must be
// its own line, not the tail of a longer key that comes earlier.
void ExpectKeysFindable(const std::string& body, const std::vector<std::string>& keys) {
    for (const auto& k : keys) {
        size_t pos = body.find(k + "=");
        ASSERT_NE(pos, std::string::npos) << k;
        EXPECT_TRUE(pos == 0 || body[pos - 1] == '\n')
            << "key " << k << " first found inside another key";
    }
}

TEST(CgiHandler, GetCgisAnswerTheirCodeAndEveryKeyOfTheRecord) {
    CgiHandler h(Profile(), 1000, 2);
    const struct {
        const char* cgi;
        uint16_t code;
        std::vector<Group> groups;
    } kCases[] = {
        {"get_params.cgi", 0x6002, GetAllGroups()},
        {"get_status.cgi", 0x6001, {Group::kStatus}},
        {"get_camera_params.cgi", 0x6003, {Group::kCameraParams}},
        {"get_misc.cgi", 0x6005, {Group::kMisc}},
        {"get_record.cgi", 0x6006, {Group::kRecordSchedule}},
        {"get_rtsp.cgi", 0x60AA, {Group::kRtsp}},
        {"get_apwifi.cgi", 0x6035, {Group::kApWifi}},
        {"get_alarm_ptz.cgi", 0x60CC, {Group::kAlarmPtz}},
        {"get_alarmpnp_cam.cgi", 0x60BF, {Group::kAlarmLinkage}},
        {"get_xg_params.cgi", 0x60E5, {Group::kPush}},
        {"get_preset_status.cgi", 0x60E3, {Group::kPresetStatus}},
        {"get_alarm_times.cgi", 0x60EC, {Group::kAlarmTimes}},
        {"get_bat_doorbell_param.cgi", 0x6101, {Group::kBatteryDoorbell}},
        {"get_area_alarm_switch.cgi", 0x6105, {Group::kAreaAlarmSwitch}},
        {"get_wifilist.cgi", 0x60DC, {Group::kWifiList}},
        {"zel_get_wifi_modules_params.cgi", 0x60D8, {Group::kSwitchModule}},
        {"get_p2p_user.cgi", 0x60EF, {Group::kP2pUser}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.cgi);
        CgiAnswer a = h.handle(Get(c.cgi));
        ASSERT_TRUE(a.answered);
        EXPECT_EQ(a.code, c.code);
        EXPECT_FALSE(a.binary);
        std::vector<std::string> keys;
        for (Group g : c.groups) {
            for (const auto& k : GroupKeys(g))
                keys.push_back(k);
        }
        ExpectKeysFindable(a.body, keys);
    }
}

TEST(CgiHandler, NumbersAreUnquotedAndTextsQuoted) {
    CgiHandler h(Profile(), 1000, 2);
    std::string status = h.handle(Get("get_status.cgi")).body;
    EXPECT_NE(status.find("\nalias=\"Porch\";\r\n"), std::string::npos) << status;
    EXPECT_NE(status.find("deviceid=\"VSIM000001SIMAA\";"), std::string::npos);
    EXPECT_NE(status.find("sys_ver=\"48.53.64.1\";"), std::string::npos);
    EXPECT_NE(status.find("\nsdtotal=30436;\r\n"), std::string::npos);
    std::string all = h.handle(Get("get_params.cgi")).body;
    // The network record comes first, so "port=" finds the HTTP port and not ftp_port.
    EXPECT_EQ(all.find("port="), all.find("\nport=81;") + 1);
    EXPECT_NE(all.find("\nnow="), std::string::npos);
}

TEST(CgiHandler, SetThenGetRoundTrips) {
    CgiHandler h(Profile(), 1000, 2);
    const struct {
        std::string set;
        uint16_t code;
        std::string get;
        std::vector<std::string> expect;
    } kCases[] = {
        {"set_alias.cgi?alias=Garage", 0x600F, "get_status.cgi", {"alias=\"Garage\";"}},
        {"set_network.cgi?ipaddr=127.0.0.9&mask=255.0.0.0&gateway=127.0.0.1&dns1=127.0.0.1&dns2="
         "127.0.0.2&dhcp=0&port=8081",
         0x6021,
         "get_params.cgi",
         {"ip=\"127.0.0.9\";", "dhcpen=0;", "\nport=8081;", "dns2=\"127.0.0.2\";"}},
        {"set_wifi.cgi?enable=1&ssid=Lab&mode=0&encrypt=4&authtype=3&keyformat=0&defkey=0&key1=&"
         "key2=&key3=&key4=&key1_bits=0&key2_bits=0&key3_bits=0&key4_bits=0&wpa_psk=pw123&channel="
         "11",
         0x6011,
         "get_params.cgi",
         {"wifi_enable=1;", "wifi_ssid=\"Lab\";", "wifi_channel=11;", "wifi_wpa_psk=\"pw123\";"}},
        {"set_alarm.cgi?motion_armed=1&motion_sensitivity=9&preset=3&alarm_temp=1&record=1&"
         "schedule_mon_1=-1",
         0x600C,
         "get_params.cgi",
         {"alarm_motion_armed=1;", "alarm_motion_sensitivity=9;", "alarm_presetsit=3;",
          "alarm_temperture=1;", "alarm_record=1;", "alarm_schedule_mon_1=-1;"}},
        {"set_recordsch.cgi?record_cover=1&record_timer=15&time_schedule_enable=1&schedule_sat_2=7",
         0x6029,
         "get_record.cgi",
         {"record_cover_enable=1;", "record_timer=15;", "record_time_enable=1;",
          "record_schedule_sat_2=7;"}},
        {"set_misc.cgi?ptz_patrol_rate=5&ptz_dispreset=1&ptz_preset=2&led_mode=1&ptz_run_times=3",
         0x6017,
         "get_misc.cgi",
         {"ptz_patrol_rate=5;", "ptz_disppreset=1;", "preset_onstart=2;", "ptruntimes=3;"}},
        {"set_rtsp.cgi?rtspenable=1&rtspport=8554&rtspuser=cam&rtsppwd=pw",
         0x602D,
         "get_rtsp.cgi",
         {"rtspenable=1;", "rtspport=8554;", "rtspuser=\"cam\";"}},
        {"set_area_alarm_switch.cgi?alarmswitch[0]=1&alarmswitch[15]=1&",
         0x6104,
         "get_area_alarm_switch.cgi",
         {"alarmswitch[0]=1;", "alarmswitch[15]=1;", "alarmswitch[1]=0;"}},
        {"set_bat_doorbell_param.cgi?messagerecord=1&messagerecord_times=5&pir_enable=1&pir_alarm_"
         "count=2&broenable=0&bat_low_alert=20&pir_alarm_record=1",
         0x6100,
         "get_bat_doorbell_param.cgi",
         {"messagerecord_times=5;", "bat_low_alert=20;"}},
        {"set_alarm_times.cgi?wday[2]time[1]starthour=8&wday[2]time[1]endmin=30&",
         0x60EB,
         "get_alarm_times.cgi",
         {"starthour[2][1]=8;", "endmin[2][1]=30;"}},
        {"set_xg_params.cgi?access_id=a1&device_token=t1&secret_key=s1&phone_id=p1&environment=1&"
         "appdevicetype=2&used=1",
         0x60E4,
         "get_xg_params.cgi",
         {"num=1;", "access_id[0]=\"a1\";", "appdevicetype[0]=2;"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.set);
        CgiAnswer s = h.handle("GET " + c.set + kLogin);
        ASSERT_TRUE(s.answered);
        EXPECT_EQ(s.code, c.code);
        EXPECT_EQ(s.body, "result=0;\r\n");
        std::string body = h.handle(Get(c.get)).body;
        for (const auto& e : c.expect)
            EXPECT_NE(body.find(e), std::string::npos) << e << " in\n" << body;
    }
}

TEST(CgiHandler, ShortLoginFormKeepsTheServiceAccountApart) {
    CgiHandler h(Profile(), 1000, 2);
    // set_ddns carries the DDNS account in user/pwd and the login in loginuse/loginpas.
    CgiAnswer a = h.handle(
        "GET "
        "set_ddns.cgi?service=3&user=dd&pwd=ddpw&host=h.example&proxy_svr=&proxy_port=0&ddns_mode=1"
        "&loginuse=admin&loginpas=secret& ");
    EXPECT_EQ(a.body, "result=0;\r\n");
    std::string all = h.handle(Get("get_params.cgi")).body;
    EXPECT_NE(all.find("ddns_user=\"dd\";"), std::string::npos);
    EXPECT_NE(all.find("ddns_service=3;"), std::string::npos);
    EXPECT_NE(all.find("ddns_mode=1;"), std::string::npos);
    EXPECT_TRUE(h.checkAccount("admin", "secret"));
}

TEST(CgiHandler, AccountIsCheckedOnEveryRequest) {
    CgiHandler h(Profile(), 1000, 2);
    const char* kWrong = "&loginuse=admin&loginpas=nope&user=admin&pwd=nope& ";
    CgiAnswer ok = h.handle(Get("check_user.cgi"));
    EXPECT_EQ(ok.code, 0x60A0);
    EXPECT_NE(ok.body.find("result= 0"), std::string::npos);
    CgiAnswer bad = h.handle(std::string("GET check_user.cgi?") + kWrong);
    EXPECT_EQ(bad.code, 0x60A0);
    EXPECT_EQ(bad.body.find("result=0"), std::string::npos);
    EXPECT_EQ(bad.body.find("result= 0"), std::string::npos);
    CgiAnswer get = h.handle(std::string("GET get_status.cgi?") + kWrong);
    EXPECT_FALSE(get.authorised);
    EXPECT_EQ(get.body.find("deviceid"), std::string::npos);
    CgiAnswer set = h.handle(std::string("GET set_alias.cgi?alias=X") + kWrong);
    EXPECT_FALSE(set.authorised);
    EXPECT_EQ(h.setting("alias"), "Porch");
    // A changed account takes effect at once.
    h.handle("GET set_users.cgi?user1=&user2=&user3=root&pwd1=&pwd2=&pwd3=toor" +
             std::string(kLogin));
    EXPECT_TRUE(h.checkAccount("root", "toor"));
    EXPECT_FALSE(h.checkAccount("admin", "secret"));
}

TEST(CgiHandler, TextsAreBoundedAndCannotBreakTheAnswer) {
    CgiHandler h(Profile(), 1000, 2);
    std::string longAlias(300, 'a');
    h.handle("GET set_alias.cgi?alias=" + longAlias + "\";evil=1" + kLogin);
    std::string status = h.handle(Get("get_status.cgi")).body;
    EXPECT_EQ(h.setting("alias").size(), 95u);  // the record's alias field holds 96 bytes
    EXPECT_EQ(status.find("evil"), std::string::npos);
    // A set writes only its own record, and a set that names nothing it knows is refused.
    EXPECT_EQ(
        h.handle("GET set_rtsp.cgi?rtspport=1000&sys_ver=0.0.1&num=99999999" + std::string(kLogin))
            .body,
        "result=0;\r\n");
    EXPECT_EQ(h.setting("sys_ver"), "48.53.64.1");
    EXPECT_EQ(h.setting("num"), "0");
    EXPECT_EQ(h.handle("GET set_rtsp.cgi?bogus=1" + std::string(kLogin)).body, "result=-1;\r\n");
}

TEST(CgiHandler, StreamAndRebootRequestsBecomeActions) {
    CgiHandler h(Profile(), 1000, 2);
    using A = CgiAnswer::Action;
    const struct {
        std::string req;
        A action;
        bool answered;
    } kCases[] = {
        {"GET livestream.cgi?user=admin&pwd=secret&streamid=10&substream=1&", A::kStartLive, false},
        {"GET livestream.cgi?user=admin&pwd=secret&streamid=16&", A::kStopLive, false},
        {"GET audiostream.cgi?user=admin&pwd=secret&streamid=1& ", A::kStartAudio, false},
        {"GET livestream.cgi?streamid=4&filename=x.h264&offset=100" + std::string(kLogin),
         A::kPlayback, false},
        {"GET decoder_control.cgi?loginuse=admin&loginpas=secret&command=4&onestep=0 ", A::kPtz,
         false},
        {Get("reboot.cgi"), A::kReboot, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.req);
        CgiAnswer a = h.handle(c.req);
        EXPECT_EQ(a.action, c.action);
        EXPECT_EQ(a.answered, c.answered);
    }
    EXPECT_EQ(h.lastPtzCommand(), 4);
    EXPECT_EQ(h.handle("GET livestream.cgi?user=admin&pwd=bad&streamid=10&substream=0&").authorised,
              false);
}

TEST(CgiHandler, RecordListByTimeRangeAndByPage) {
    CgiHandler h(Profile(), 1000, 2);
    auto recs = h.recordings();
    ASSERT_EQ(recs.size(), 4u);
    std::string range = "start_date=" + std::to_string(recs[1].startSeconds) +
                        "&end_date=" + std::to_string(recs[2].startSeconds) +
                        "&file_mode=0&file_index=0&PageIndex=0&PageSize=2048";
    CgiAnswer a = h.handle("GET get_record_file.cgi?" + range + kLogin);
    EXPECT_EQ(a.code, 0x6007);
    EXPECT_NE(a.body.find("record_num0=2;"), std::string::npos) << a.body;
    EXPECT_NE(a.body.find("record_name0[0]=\"" + recs[1].name + "\";"), std::string::npos);
    EXPECT_NE(a.body.find("record_size0[1]=" + std::to_string(recs[2].sizeBytes) + ";"),
              std::string::npos);
    EXPECT_NE(a.body.find("record_alarm0[0]="), std::string::npos);
    CgiAnswer page =
        h.handle("GET get_record_file.cgi?PageIndex=1&PageSize=3" + std::string(kLogin));
    EXPECT_EQ(page.code, 0x6067);
    EXPECT_NE(page.body.find("record_num0=1;"), std::string::npos) << page.body;
    CgiAnswer none =
        h.handle("GET get_record_file.cgi?start_date=5&end_date=4" + std::string(kLogin));
    EXPECT_NE(none.body.find("record_num0=0;"), std::string::npos);
}

TEST(CgiHandler, FirmwareUpgradeChecksTheMd5OfTheReceivedBytes) {
    std::string image(40000, '\0');
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7);
    std::string md5 = vantor::md5hex(image);
    for (bool corrupt : {false, true}) {
        SCOPED_TRACE(corrupt ? "corrupted" : "intact");
        CgiHandler h(Profile(), 1000, 2);
        std::string announce =
            "GET "
            "p2p_upgrade_firmware.cgi?filename=fw.bin&filetype=1&filever=9.9.9&filesize=40000&"
            "filemd5=" +
            md5 + "&forceflag=0" + kLogin;
        CgiAnswer a1 = h.handle(announce);
        EXPECT_EQ(a1.code, 0x60C0);
        EXPECT_EQ(a1.body, "result= 0;\r\n");
        EXPECT_EQ(h.handle(Get("p2p_transfer_firmware_start.cgi")).body, "result= 0;\r\n");
        EXPECT_EQ(h.handle(Get("p2p_transfer_firmware_data.cgi")).body, "result= 0;\r\n");
        std::string sent = image;
        if (corrupt)
            sent[123] ^= 1;
        for (size_t off = 0; off < sent.size(); off += 16384) {
            size_t n = std::min<size_t>(16384, sent.size() - off);
            CgiAnswer d = h.handleFileData(reinterpret_cast<const uint8_t*>(sent.data() + off), n);
            EXPECT_EQ(d.code, 0x60C2);
            EXPECT_EQ(d.body, "result= 1;\r\n");
        }
        CgiAnswer end = h.handle(Get("p2p_transfer_firmware_end.cgi"));
        EXPECT_EQ(end.code, 0x60C3);
        EXPECT_EQ(end.body, corrupt ? "result= -5;\r\n" : "result= 2;\r\n");
        CgiAnswer confirm = h.handle("GET p2p_upgrade_confirm.cgi?confirm=1" + std::string(kLogin));
        EXPECT_EQ(confirm.code, 0x60C4);
        EXPECT_EQ(confirm.action == CgiAnswer::Action::kReboot, !corrupt);
        h.completeReboot();
        EXPECT_EQ(h.setting("sys_ver"), corrupt ? "48.53.64.1" : "9.9.9");
    }
}

TEST(CgiHandler, UpgradeFailureSwitchesAndOverlongData) {
    const struct {
        FirmwareUpgrade::Failure f;
        const char* cgi;
        const char* answer;
    } kCases[] = {
        {FirmwareUpgrade::Failure::kVersionMismatch,
         "p2p_upgrade_firmware.cgi?filesize=10&filemd5=x", "result= -3;\r\n"},
        {FirmwareUpgrade::Failure::kCancel, "p2p_transfer_firmware_start.cgi?", "result= -8;\r\n"},
        {FirmwareUpgrade::Failure::kTransferError, "p2p_transfer_firmware_data.cgi?",
         "result= -2;\r\n"},
        {FirmwareUpgrade::Failure::kMd5, "p2p_transfer_firmware_end.cgi?", "result= -5;\r\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.cgi);
        CgiHandler h(Profile(), 1000, 2);
        h.setUpgradeFailure(c.f);
        EXPECT_EQ(h.handle(std::string("GET ") + c.cgi + kLogin).body, c.answer);
    }
    CgiHandler h(Profile(), 1000, 2);
    h.setUpgradeFailure(FirmwareUpgrade::Failure::kSilent);
    EXPECT_FALSE(h.handle(Get("p2p_transfer_firmware_start.cgi")).answered);
    // More data than announced is refused instead of growing without bound.
    CgiHandler g(Profile(), 1000, 2);
    g.handle("GET p2p_upgrade_firmware.cgi?filesize=4&filemd5=x" + std::string(kLogin));
    const uint8_t bytes[8] = {};
    EXPECT_EQ(g.handleFileData(bytes, 8).body, "result= -2;\r\n");
}

TEST(CgiHandler, RequestParserCopesWithTheWireForms) {
    const struct {
        const char* text;
        bool ok;
        const char* name;
        const char* key;
        const char* value;
    } kCases[] = {
        {"GET get_status.cgi?&loginuse=a&loginpas=b&user=a&pwd=b& HTTP/1.1\r\nHost: x\r\n\r\n",
         true, "get_status.cgi", "loginpas", "b"},
        {"GET livestream.cgi?user=a&pwd=b&streamid=10&substream=0&HTTP/1.1\r\n", true,
         "livestream.cgi", "substream", "0"},
        {"GET /get_misc.cgi?x=1", true, "get_misc.cgi", "x", "1"},
        {"check_user.cgi?", true, "check_user.cgi", "", ""},
        {"GET ../etc/passwd", false, "", "", ""},
        {"", false, "", "", ""},
        {"GET .cgi?a=b", false, "", "", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        CgiRequest r = CgiRequest::Parse(c.text);
        EXPECT_EQ(r.ok(), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(r.name(), c.name);
        if (*c.key) {
            EXPECT_EQ(r.get(c.key), c.value);
        }
    }
}

}  // namespace
}  // namespace devsim
