// sysconfig.xml, setup.lg and user.xml: defaults, round trips, hostile files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "DataPaths.h"
#include "DebugCapture.h"
#include "SystemSettings.h"
#include "TestFolder.h"
#include "UserAccounts.h"

namespace vantor::client {
namespace {

using test::DebugCapture;
using test::RunCapture;
using test::TestFolder;

const char kSettingsExample[] =
    "<?xml version=\"1.0\"?>\n<SystemSet>\n\t<PicPath>C:\\\\pic</PicPath>\n"
    "\t<RecPath>/srv/rec</RecPath>\n\t<AlarmPath>/srv/alarm</AlarmPath>\n"
    "\t<VideoMode>1</VideoMode>\n\t<OpenOSDWhenStartVideo>1</OpenOSDWhenStartVideo>\n"
    "\t<RecFileLen>300</RecFileLen>\n\t<RecTimeLen>10</RecTimeLen>\n"
    "\t<RecReserveSpace>500</RecReserveSpace>\n\t<RecRover>1</RecRover>\n"
    "\t<InitSplitScreen>9</InitSplitScreen>\n\t<Language>5</Language>\n"
    "\t<AutoStartVideo>1</AutoStartVideo>\n\t<AutoStartRecord>1</AutoStartRecord>\n"
    "\t<Flag>1</Flag>\n</SystemSet>\n";

TEST(SystemSettingsFile, ReadsEveryElementAndWritesTheSameDocumentBack) {
    TestFolder dir;
    dir.Write("sysconfig.xml", kSettingsExample);
    SystemSettings s;
    ASSERT_TRUE(SystemSettingsFile::Load(dir.File("sysconfig.xml"), dir.path(), &s));
    EXPECT_EQ(s.pic_path, "C:\\\\pic");
    EXPECT_EQ(s.rec_path, "/srv/rec");
    EXPECT_EQ(s.rec_file_len, "300");
    EXPECT_EQ(s.init_split_screen, 9);
    EXPECT_EQ(s.language, 5);
    EXPECT_EQ(s.auto_start_record, 1);

    ASSERT_TRUE(SystemSettingsFile::Save(dir.File("out.xml"), s));
    EXPECT_EQ(dir.Read("out.xml"), kSettingsExample);

    // An independent XML reader sees the same elements in the same order.
    const std::string names = RunCapture(
        "python3 -c \"import xml.etree.ElementTree as E,sys;"
        "r=E.parse(sys.argv[1]).getroot();print(r.tag+':'+','.join(c.tag+'='+(c.text or '') "
        "for c in r))\" " +
        dir.File("out.xml"));
    EXPECT_EQ(names,
              "SystemSet:PicPath=C:\\\\pic,RecPath=/srv/rec,AlarmPath=/srv/alarm,VideoMode=1,"
              "OpenOSDWhenStartVideo=1,RecFileLen=300,RecTimeLen=10,RecReserveSpace=500,"
              "RecRover=1,InitSplitScreen=9,Language=5,AutoStartVideo=1,AutoStartRecord=1,"
              "Flag=1\n");
}

TEST(SystemSettingsFile, MissingElementsTakeFileDefaultsAndFlagDecidesLanguageSource) {
    struct Case {
        const char* body;
        const char* setup;  // nullptr: no setup.lg
        int language;
    };
    const Case cases[] = {
        {"<Flag>0</Flag><Language>3</Language>", "x\n1\n", 1},
        {"<Flag>1</Flag><Language>3</Language>", "x\n1\n", 3},
        {"<Language>3</Language>", "lang\n7", 7},  // no Flag counts as not 1
        {"<Language>3</Language>", nullptr, 0},
        {"<Language>3</Language>", "only one line", 0},
    };
    for (const Case& c : cases) {
        TestFolder dir;
        dir.Write("sysconfig.xml", std::string("<SystemSet>") + c.body + "</SystemSet>");
        if (c.setup) {
            dir.Write("setup.lg", c.setup);
        }
        SystemSettings s;
        ASSERT_TRUE(SystemSettingsFile::Load(dir.File("sysconfig.xml"), dir.path(), &s));
        EXPECT_EQ(s.language, c.language) << c.body;
        EXPECT_EQ(s.rec_time_len, "5");
        EXPECT_EQ(s.rec_file_len, "200");
        EXPECT_EQ(s.rec_reserve_space, "200");
        EXPECT_EQ(s.init_split_screen, 4);
        EXPECT_EQ(s.alarm_path, "");
    }
}

TEST(SystemSettingsFile, BrokenOrMissingFilesKeepStartValues) {
    struct Case {
        const char* content;  // nullptr: no file
        const char* trace;
    };
    const Case cases[] = {
        {nullptr, "load config.xml failed.Msg:"},
        {"<SystemSet><PicPath>x</Pic", "load config.xml failed.Msg:"},
        {"<Other><Language>2</Language></Other>",
         "read config.xml file error,not found root node."},
    };
    for (const Case& c : cases) {
        TestFolder dir;
        if (c.content) {
            dir.Write("sysconfig.xml", c.content);
        }
        dir.Write("setup.lg", "x\n6\n");
        DebugCapture trace;
        SystemSettings s;
        EXPECT_FALSE(SystemSettingsFile::Load(dir.File("sysconfig.xml"), dir.path(), &s));
        EXPECT_EQ(s, SystemSettings{});
        EXPECT_EQ(s.alarm_path, "c:\\alarmPhoto");
        EXPECT_EQ(s.init_split_screen, 0);
        EXPECT_TRUE(trace.Contains(c.trace)) << c.trace;
    }
}

TEST(SystemSettingsFile, FailedSaveLeavesNoPartialFile) {
    TestFolder dir;
    SystemSettings s;
    DebugCapture trace;
    EXPECT_FALSE(SystemSettingsFile::Save(dir.File("missing/sysconfig.xml"), s));
    EXPECT_TRUE(trace.Contains("save config.xml failed."));
    // A target that cannot be replaced keeps what it is and no temporary file remains.
    ::mkdir(dir.File("sysconfig.xml").c_str(), 0755);
    dir.Write("sysconfig.xml/keep", "old");
    EXPECT_FALSE(SystemSettingsFile::Save(dir.File("sysconfig.xml"), s));
    EXPECT_EQ(dir.Read("sysconfig.xml/keep"), "old");
    EXPECT_EQ(RunCapture("ls " + dir.path()), "sysconfig.xml\n");
}

const char kUserExample[] =
    "<UserInfo>\n<item>guest</item>\n<item>g pass</item>\n<item>admin</item>\n"
    "<item>secret</item>\n<item>1</item>\n<item>0</item>\n<item>1</item>\n</UserInfo>";

TEST(UserAccountsFile, RoundTripsTheLineFormatWithPrivateMode) {
    TestFolder dir;
    dir.Write("user.xml", kUserExample);
    UserAccounts a;
    ASSERT_TRUE(UserAccountsFile::Load(dir.File("user.xml"), &a));
    EXPECT_EQ(a.user_name, "guest");
    EXPECT_EQ(a.user_password, "g pass");
    EXPECT_EQ(a.admin_name, "admin");
    EXPECT_EQ(a.admin_password, "secret");
    EXPECT_EQ(a.remember_name, 1);
    EXPECT_EQ(a.remember_password, 0);
    EXPECT_EQ(a.current_right, 1);
    ASSERT_TRUE(UserAccountsFile::Save(dir.File("copy.xml"), a));
    EXPECT_EQ(dir.Read("copy.xml"), kUserExample);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("copy.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(UserAccountsFile, ShortLongAndHostileFiles) {
    struct Case {
        std::string text;
        UserAccounts expect;
    };
    UserAccounts three;
    three.user_name = "u";
    three.user_password = "p";
    three.admin_name = "a";
    UserAccounts nine_items = three;
    nine_items.admin_password = "x";
    nine_items.remember_name = 1;
    nine_items.remember_password = 1;
    nine_items.current_right = 0;
    UserAccounts cut;
    cut.user_name = std::string(31, 'n');
    UserAccounts crlf;
    crlf.user_name = "w";
    crlf.current_right = 1;
    const Case cases[] = {
        {"", {}},
        {"\n<item>u</item>\n", {}},  // empty first line: nothing read
        {"<UserInfo>\n<item>u</item>\n<item>p</item>\n<item>a</item>", three},  // no close
        {"<UserInfo>\n<item>u</item>\n<item>p</item>\n<item>a</item>\n</UserInfo>\n"
         "<item>late</item>\n",
         three},
        {"<UserInfo>\n<item>u</item>\n<item>p</item>\n<item>a</item>\n<item>x</item>\n"
         "<item>1</item>\n<item>1</item>\n<item>0</item>\n<item>9</item>\n<item>9</item>\n",
         nine_items},
        {"<UserInfo>\n<item>" + std::string(40, 'n') + "</item>\n", cut},
        {"<UserInfo>\r\n<item>w</item>\r\n<>\r\n<item></item>\r\n<item></item>\r\n"
         "<item></item>\r\n<item></item>\r\n<item>1</item>\r\n",
         crlf},
        {"<UserInfo>\n<item>99999999999999999999</item>\n<item></item>\n<item></item>\n"
         "<item></item>\n<item>99999999999999999999</item>\n",
         [] {
             UserAccounts big;
             big.user_name = "99999999999999999999";
             return big;
         }()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserAccountsFile::Parse(c.text), c.expect) << c.text;
    }
}

TEST(UserAccountsFile, ValuesCannotInjectLinesOrOverflow) {
    UserAccounts a;
    a.user_name = "bob\n<item>evil";
    a.admin_name = std::string(20, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
    const UserAccounts back = UserAccountsFile::Parse(UserAccountsFile::Format(a));
    EXPECT_EQ(back.user_name, "bob");
    EXPECT_EQ(back.admin_name, std::string(20, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(back.admin_name.size(), 30u);  // the sixth é would split at byte 31
}

TEST(UserAccounts, LoginAndUnlockRules) {
    UserAccounts a;
    a.user_name = "guest";
    a.user_password = "pw";
    a.admin_name = "Admin";
    a.admin_password = "root";
    EXPECT_EQ(a.MatchLogin("guest", "pw"), 0);
    EXPECT_EQ(a.MatchLogin("Admin", "root"), 1);
    EXPECT_EQ(a.MatchLogin("admin", "root"), -1);  // case-sensitive
    EXPECT_EQ(a.MatchLogin("guest", "root"), -1);
    UserAccounts empty;
    EXPECT_EQ(empty.MatchLogin("", ""), -1);  // no account: nobody logs in
    a.current_right = 0;
    EXPECT_FALSE(a.UnlockMatches("root"));
    EXPECT_TRUE(a.UnlockMatches("pw"));
    a.current_right = 1;
    EXPECT_TRUE(a.UnlockMatches("root"));
}

TEST(DataPaths, JoinsFoldersAndPicksTheDataFolder) {
    EXPECT_EQ(DataPaths::Join("/opt/vantor/", "\\camera.xml"), "/opt/vantor/camera.xml");
    EXPECT_EQ(DataPaths::Join("/a\\\\b", "skin\\skin_default\\x.bmp"),
              "/a/b/skin/skin_default/x.bmp");
    EXPECT_EQ(DataPaths::MapDriveDefault("c:\\alarmPhoto", "/d"), "/d/alarmPhoto");
    EXPECT_EQ(DataPaths::MapDriveDefault("C:\\\\pic", "/d"), "/d/pic");
    EXPECT_EQ(DataPaths::MapDriveDefault("/srv//rec/", "/d"), "/srv/rec");
    TestFolder dir;
    DataFolderSources s;
    s.executable_folder = dir.path();
    s.xdg_data_home = "/xdg";
    EXPECT_EQ(DataPaths::ResolveDataFolder(s), dir.path());
    s.env_home = "/env/";
    EXPECT_EQ(DataPaths::ResolveDataFolder(s), "/env");
    s.home_arg = "/arg";
    EXPECT_EQ(DataPaths::ResolveDataFolder(s), "/arg");
    s = {};
    s.executable_folder = dir.File("not-there");
    s.xdg_data_home = "/xdg";
    EXPECT_EQ(DataPaths::ResolveDataFolder(s), "/xdg/vantor");
    EXPECT_TRUE(DataPaths::MakeFolders(dir.File("a/b/c")));
}

}  // namespace
}  // namespace vantor::client
