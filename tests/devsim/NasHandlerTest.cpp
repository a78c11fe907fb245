// The recorder's request-to-answer logic: answer IDs and keys per CGI (each key findable by
// the client's plain substring search), sets that later gets return, accessory pairing,
// scenes, smart plug, record lists per partition and channel, and the account rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CgiHandler.h"
#include "NasSchema.h"

namespace devsim {
namespace {

constexpr const char* kAuth = "&user=admin&pwd=pw& ";

class NasHandlerTest : public ::testing::Test {
  protected:
    NasHandlerTest() : handler_(profile(), 5000, 2, {1000, 2000, 3000, 4000}) {}
    static DeviceProfile profile() {
        DeviceProfile p;
        p.id = "VSIM000009SIMAA";
        p.name = "Recorder";
        p.kind = DeviceKind::kNas;
        p.password = "pw";
        p.recordings = 3;
        return p;
    }
    CgiAnswer get(const std::string& cgi, const std::string& query = "") {
        return handler_.handle("GET " + cgi + "?" + query + kAuth);
    }
    CgiHandler handler_;
};

// Every key of an answer must be found by the client's strstr at its own line: a shorter key
// hidden inside an earlier, longer key ("port=" in "rtspport=") would read the wrong value.
void ExpectKeysFindable(const std::string& body) {
    size_t pos = 0;
    while (pos < body.size()) {
        size_t eq = body.find('=', pos);
        size_t eol = body.find("\r\n", pos);
        ASSERT_NE(eq, std::string::npos);
        ASSERT_NE(eol, std::string::npos);
        std::string key = body.substr(pos, eq + 1 - pos);
        EXPECT_EQ(std::strstr(body.c_str(), key.c_str()), body.c_str() + pos) << key;
        pos = eol + 2;
    }
}

TEST_F(NasHandlerTest, GetsAnswerTheirIdAndEveryKeyOnce) {
    const struct {
        const char* cgi;
        const char* query;
        uint16_t code;
        std::vector<const char*> keys;  // a sample of what the decoder needs
    } kCases[] = {
        {"get_status.cgi",
         "",
         0x7001,
         {"sys_ver=\"", "deviceid=\"VSIM000009SIMAA\";", "mac=\"", "wifimac=\"",
          "harddisk15status=", "Partition0size=", "cam3status=1;"}},
        {"get_camera.cgi", "", 0x7002, {"cameraalia0=\"CH0\";", "camerastreamid3=10;"}},
        {"get_datetime.cgi",
         "",
         0x7012,
         {"now=", "tz=", "ntpenable=", "ntpsvr=\"", "ntpinterval="}},
        {"get_pppoe.cgi", "", 0x7014, {"pppoeenable=0;", "pppoeuser=\"\";", "pppoepwd=\"\";"}},
        {"get_ddns.cgi", "", 0x7013, {"ddnsservice=", "hostname=\"", "ddnsport="}},
        {"get_record_schdule.cgi",
         "",
         0x7004,
         {"recordcamera3=1;", "recorcameragpio=", "record_schedule_sat_2="}},
        {"get_alarm.cgi",
         "",
         0x7007,
         {"cameraenable0=1;", "upload_interval=", "alarm_schedule_sun_0="}},
        {"get_mail.cgi", "", 0x7008, {"mail_port=25;", "mailssl=", "mail_receiver4=\""}},
        {"get_ftp.cgi", "", 0x7009, {"ftp_port=21;", "ftp_dir=\"", "ftp_mode="}},
        {"get_network.cgi",
         "",
         0x700B,
         {"ipaddr=\"127.0.0.1\";", "port=80;", "rtspport=554;", "dns2=\""}},
        {"get_apwifi.cgi", "", 0x700C, {"apenable=1;", "apmode=", "apendip=\""}},
        {"get_wifi.cgi", "", 0x700D, {"wifi_enable=", "wifi_psk=\""}},
        {"get_factory_param.cgi", "", 0x700F, {"factory_user=\"", "factory_heatbeat=60;"}},
        {"get_pnp_server.cgi", "", 0x7010, {"pnpserver=\"", "pnppwd=\""}},
        {"get_users.cgi", "", 0x7011, {"user3_name=\"admin\";", "user3_pwd=\"pw\";"}},
        {"get_smart_plug_relay.cgi", "", 0x7101, {"status=0;"}},
        {"get_smart_plug_task_schedule.cgi", "", 0x7103, {"used7=", "sun7=", "count=8;"}},
        {"get_smart_plug_task_delay.cgi", "", 0x7102, {"minute=0;"}},
        {"get_smart_plug_key.cgi", "", 0x7104, {"key=\"1234\";"}},
        {"get_appversion.cgi", "", 0x7015, {"app_version=\""}},
        {"get_alarmpnp_cam.cgi",
         "",
         0x7017,
         {"alarmcam[7][15]=0;", "alarmalias[0][0]=\"\";", "alarmaudio[7]=", "zonestatus="}},
        {"get_channel_scene.cgi",
         "channel=2",
         0x706B,
         {"using[31]=0;", "type[0]=", "scenetype[0]="}},
        {"get_config_result.cgi", "", 0x7068, {"Isconfig=1;"}},
        {"get_wifi_scan_result.cgi", "", 0x700E, {"ap_number=3;", "ap_dbm0[0]=\"40\";"}},
        {"get_search_camera_result.cgi", "", 0x7063, {"searchcamertotal=2;", "recordstreamid[1]="}},
        {"login.cgi", "", 0x7016, {"user=\"admin\";", "pwd=\"pw\";", "pri=255;"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.cgi);
        CgiAnswer a = get(c.cgi, c.query);
        ASSERT_TRUE(a.answered);
        EXPECT_EQ(a.code, c.code);
        for (const char* k : c.keys)
            EXPECT_NE(a.body.find(k), std::string::npos) << k << "\n" << a.body;
        ExpectKeysFindable(a.body);
    }
}

TEST_F(NasHandlerTest, SetsChangeWhatLaterGetsReturn) {
    const struct {
        const char* set;
        uint16_t code;
        const char* get;
        const char* expect;
    } kCases[] = {
        {"set_network.cgi?ipaddr=127.0.0.9&mask=255.0.0.0&gateway=127.0.0.1&dns1=1.1.1.1&"
         "dns2=&port=8080&rtspport=10554&dhcp=0",
         0x703A, "get_network.cgi",
         "ipaddr=\"127.0.0.9\";\r\nmask=\"255.0.0.0\";\r\ngateway=\"127.0.0.1\";\r\nport=8080;\r\n"
         "rtspport=10554;\r\ndhcpen=0;\r\ndns1=\"1.1.1.1\";\r\ndns2=\"\";\r\n"},
        {"set_ftp.cgi?ftpsvr=ftp.example&port=2121&ftpuser=u&ftppwd=p&ftpdir=/up&ftpmode=1", 0x703F,
         "get_ftp.cgi",
         "ftp_svr=\"ftp.example\";\r\nftp_port=2121;\r\nftp_user=\"u\";\r\nftp_pwd=\"p\";\r\n"
         "ftp_dir=\"/up\";\r\nftp_mode=1;\r\n"},
        {"set_wifi.cgi?enable=1&ssid=Home&mode=0&encrypt=4&wpa_psk=secret&channel=6", 0x703C,
         "get_wifi.cgi",
         "wifi_enable=1;\r\nwifi_ssid=\"Home\";\r\nwifi_channel=6;\r\nwifi_mode=0;\r\n"
         "wifi_encrypt=4;\r\nwifi_psk=\"secret\";\r\n"},
        {"set_smart_plug_task_delay.cgi?enable=1&minute=30", 0x7203,
         "get_smart_plug_task_delay.cgi", "minute=30;\r\n"},
        {"set_pppoe.cgi?pppoeenable=1&pppoeuser=isp&pppoepwd=x", 0x7037, "get_pppoe.cgi",
         "pppoeenable=1;\r\npppoeuser=\"isp\";\r\npppoepwd=\"x\";\r\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.set);
        CgiAnswer s = handler_.handle(std::string("GET ") + c.set + kAuth);
        EXPECT_EQ(s.code, c.code);
        EXPECT_EQ(s.body, "result=\"ok\";\r\n");
        EXPECT_EQ(get(c.get).body, c.expect);
    }
    // The record schedule's request keys differ from its answer keys.
    get("set_record_schdule.cgi", "record_camera2=0&schedule_mon_1=255");
    std::string rec = get("get_record_schdule.cgi").body;
    EXPECT_NE(rec.find("recordcamera2=0;"), std::string::npos);
    EXPECT_NE(rec.find("record_schedule_mon_1=255;"), std::string::npos);
    // Users: the new account is the one that counts from now on.
    get("set_users.cgi", "user1=&pwd1=&user2=&pwd2=&user3=boss&pwd3=new");
    EXPECT_FALSE(handler_.checkAccount("admin", "pw"));
    EXPECT_TRUE(handler_.checkAccount("boss", "new"));
    EXPECT_EQ(get("get_status.cgi").body.find("sys_ver"), std::string::npos);
}

TEST_F(NasHandlerTest, CheckUserAndRefusals) {
    CgiAnswer ok = get("check_user.cgi");
    EXPECT_EQ(ok.code, 0x7055);
    EXPECT_EQ(ok.body, "result= 0;\r\n");
    CgiAnswer bad = handler_.handle("GET check_user.cgi?&user=admin&pwd=wrong& ");
    EXPECT_EQ(bad.code, 0x7055);
    EXPECT_EQ(bad.body.find("result= 0"), std::string::npos);
    EXPECT_EQ(bad.body.find("\"ok\""), std::string::npos);
    // A refused get keeps its ID but carries none of the record's keys.
    CgiAnswer refused = handler_.handle("GET get_users.cgi?&user=admin&pwd=wrong& ");
    EXPECT_EQ(refused.code, 0x7011);
    EXPECT_EQ(refused.body.find("user3_pwd"), std::string::npos);
    // Unknown CGIs stay silent.
    EXPECT_FALSE(get("no_such.cgi").answered);
}

TEST_F(NasHandlerTest, AccessoryPairingAndTable) {
    // Before a search nothing has been heard: the count is 0, which the client drops.
    EXPECT_EQ(get("get_alarm_list.cgi").body, "searchalarmtotal=0;\r\n");
    CgiAnswer s = get("search_alarm_device.cgi");
    EXPECT_EQ(s.code, 0x706A);
    EXPECT_EQ(s.body, "result=\"ok\";\r\n");
    EXPECT_TRUE(handler_.hearAccessory(4242));
    CgiAnswer list = get("get_alarm_list.cgi");
    EXPECT_EQ(list.code, 0x7069);
    EXPECT_NE(list.body.find("keyvalue[2]=4242;"), std::string::npos) << list.body;
    EXPECT_NE(list.body.find("searchalarmtotal=3;"), std::string::npos);
    // Pair the heard code into zone 1 position 2, then remove it again.
    EXPECT_EQ(
        get("set_alarm_value.cgi", "clear=0&modulevalue=4242&zone=1&sit=2&modulealias=Door").code,
        0x7044);
    std::string table = get("get_alarmpnp_cam.cgi").body;
    EXPECT_NE(table.find("alarmcam[1][2]=2;\r\nalarmkey[1][2]=4242;"), std::string::npos);
    EXPECT_NE(table.find("alarmalias[1][2]=\"Door\";"), std::string::npos);
    get("set_alarm_value.cgi", "clear=1&modulevalue=0&zone=1&sit=2&modulealias=");
    EXPECT_NE(get("get_alarmpnp_cam.cgi").body.find("alarmcam[1][2]=0;"), std::string::npos);
    EXPECT_EQ(get("set_alarm_value.cgi", "clear=0&modulevalue=1&zone=8&sit=0&modulealias=x").body,
              "result=\"error\";\r\n");
}

TEST_F(NasHandlerTest, ScenesArePerChannel) {
    get("set_channel_scene.cgi",
        "clear=0&channel=1&number=4&bound=1&type=2&sit=3&name=Night&scenetype=5");
    std::string ch1 = get("get_channel_scene.cgi", "channel=1").body;
    EXPECT_NE(ch1.find("using[4]=1;\r\nbound[4]=1;\r\ntype[4]=2;\r\nsit[4]=3;\r\nname[4]=\"Night\";"
                       "\r\nscenetype[4]=5;"),
              std::string::npos)
        << ch1;
    EXPECT_NE(get("get_channel_scene.cgi", "channel=0").body.find("using[4]=0;"),
              std::string::npos);
    EXPECT_EQ(get("set_channel_scene.cgi", "clear=0&channel=4&number=0").body,
              "result=\"error\";\r\n");
}

TEST_F(NasHandlerTest, RecordListsPerPartitionAndChannel) {
    CgiAnswer a = get("get_record_file.cgi",
                      "partition=1&mode=0&startdate=0&enddate=0&alarmtype=0&channel=2");
    EXPECT_EQ(a.code, 0x7005);
    EXPECT_NE(a.body.find("record_num0=3;"), std::string::npos) << a.body;
    EXPECT_NE(a.body.find("record_name0[0]=\"/hd1/ch2/"), std::string::npos);
    EXPECT_NE(a.body.find("record_channel0[2]=2;"), std::string::npos);
    EXPECT_NE(a.body.find("record_partition0[2]=1;"), std::string::npos);
    EXPECT_NE(a.body.find("record_size0[0]=30000;"), std::string::npos);  // 10 loops of channel 2
    ExpectKeysFindable(a.body);
    EXPECT_NE(get("get_record_file.cgi", "partition=5&channel=0").body.find("record_num0=0;"),
              std::string::npos);
    // Playback of a listed file names its channel and ends with the recorder's end kind.
    size_t at = a.body.find("record_name0[0]=\"") + 17;
    std::string name = a.body.substr(at, a.body.find('"', at) - at);
    CgiAnswer pb = get("nas_recordplay.cgi",
                       "mode=0&partition=1&filename=" + name + "&fileoffset=0&filesize=30000");
    EXPECT_FALSE(pb.answered);
    EXPECT_EQ(pb.action, CgiAnswer::Action::kPlayback);
    EXPECT_EQ(pb.channel, 2);
    EXPECT_EQ(pb.endKind, 6);
    EXPECT_EQ(get("nas_recordplay.cgi", "mode=10&partition=1&filename=" + name).action,
              CgiAnswer::Action::kStopPlayback);
    // Formatting a partition empties its lists.
    get("set_formathd.cgi", "initialdisk=0&partition=1&createfile=0");
    EXPECT_NE(get("get_record_file.cgi", "partition=1&channel=2").body.find("record_num0=0;"),
              std::string::npos);
}

}  // namespace
}  // namespace devsim
