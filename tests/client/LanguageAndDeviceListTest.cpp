// Language tables (UTF-16LE blocks) and the device list file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "DebugCapture.h"
#include "DeviceListFile.h"
#include "LanguageTables.h"
#include "TestFolder.h"

namespace vantor::client {
namespace {

using test::DebugCapture;
using test::RunCapture;
using test::TestFolder;

// Builds the UTF-16LE bytes of a language file from per-tag item lists (UTF-8 in).
std::string Utf16(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string Widen(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        uint32_t cp;
        size_t n;
        if (c < 0x80) {
            cp = c, n = 1;
        } else if (c < 0xE0) {
            cp = c & 0x1F, n = 2;
        } else if (c < 0xF0) {
            cp = c & 0x0F, n = 3;
        } else {
            cp = c & 0x07, n = 4;
        }
        for (size_t k = 1; k < n; ++k) {
            cp = (cp << 6) | (utf8[i + k] & 0x3F);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string LanguageFile(const std::vector<std::pair<int, std::vector<std::string>>>& items) {
    std::u16string text = u"\uFEFF";
    for (int t = 0; t < LanguageTables::kTagCount; ++t) {
        const std::string name = LanguageTables::Tags()[t].name;
        text += Widen("<" + name + ">\r\n");
        for (const auto& [tag, list] : items) {
            if (tag != t) {
                continue;
            }
            for (const std::string& item : list) {
                text += Widen("\t<item>" + item + "</item>\r\n");
            }
        }
        text += Widen("</" + name + ">\r\n");
    }
    return Utf16(text);
}

TEST(LanguageTables, ReadsBlocksByTagWithCapacityAndWidthLimits) {
    const std::string menu40(40, 'm');
    const std::string file = LanguageFile({
        {0, {"Vantor Überwachung"}},
        {3, {"HD", "SD", "LD", "extra"}},
        {16, {"Online", "Offline", "Verbindet…"}},
        {29, {menu40, "Gerät", "Nachricht"}},
        // 31 bytes of 'x' then a two-byte character: the cut may not split it.
        {31, {std::string(30, 'x') + "\xC3\xA9" + "tail", "短"}},
        {37, {"😀 light"}},
    });
    LanguageTables lang;
    lang.Parse(file);
    EXPECT_EQ(lang.Text(LangTag::VantorTitle, 0), "Vantor Überwachung");
    EXPECT_EQ(lang.Text(LangTag::DevVideoType, 2), "LD");
    EXPECT_EQ(lang.Text(LangTag::DevVideoType, 3), "");  // beyond capacity 3
    EXPECT_EQ(lang.Text(LangTag::DevStatusContent, 2), "Verbindet…");
    EXPECT_EQ(lang.Text(LangTag::DevMenu, 0), std::string(31, 'm'));
    EXPECT_EQ(lang.Text(LangTag::DevMenu, 1), "Gerät");
    EXPECT_EQ(lang.Text(LangTag::DevOther, 0), std::string(30, 'x'));
    EXPECT_EQ(lang.Text(LangTag::DevOther, 1), "短");
    EXPECT_EQ(lang.Text(LangTag::DevParamFillLight, 0), "😀 light");
    EXPECT_EQ(lang.Text(LangTag::DevNotify, 0), "");
    EXPECT_EQ(lang.Text(LangTag::DevNotify, 99), "");
}

TEST(LanguageTables, FileChoiceByIndex) {
    TestFolder dir;
    dir.Write("ipc_ESP.xml", LanguageFile({{0, {"Vantor ES"}}}));
    for (int index : {7, 9}) {
        LanguageTables lang;
        EXPECT_TRUE(lang.Load(dir.path(), index));
        EXPECT_EQ(lang.Text(LangTag::VantorTitle, 0), "Vantor ES");
    }
    LanguageTables lang;
    EXPECT_FALSE(lang.Load(dir.path(), 10));
    EXPECT_FALSE(lang.Load(dir.path(), -1));
    EXPECT_FALSE(lang.Load(dir.path(), 1));  // no file
    EXPECT_EQ(lang.Text(LangTag::VantorTitle, 0), "");
}

TEST(LanguageTables, MalformedFilesNeverOverrun) {
    const std::string good = LanguageFile({{0, {"T"}}, {1, {"a", "b"}}});
    const std::string cases[] = {
        "",
        std::string("\x01", 1),                           // odd length
        Utf16(u"<VantorTitle>\r\n\t<item>T</item>\r\n"),  // no closing line
        Utf16(u"<VantorTitle>\r\nshort\r\n</VantorTitle>\r\n"),
        Utf16(u"<VantorTitle>\r\n\t<item>\xD800</item>\r\n</VantorTitle>\r\n"),
        good.substr(0, good.size() / 2),
        std::string(5000, '\0'),
    };
    for (const std::string& c : cases) {
        LanguageTables lang;
        lang.Parse(c);
        for (int t = 0; t < LanguageTables::kTagCount; ++t) {
            for (int e = 0; e < LanguageTables::Tags()[t].capacity; ++e) {
                EXPECT_LT(lang.Text(static_cast<LangTag>(t), e).size(),
                          LanguageTables::Tags()[t].width_bytes);
            }
        }
    }
    LanguageTables lang;
    lang.Parse(Utf16(u"<VantorTitle>\r\n\t<item>\xD800x</item>\r\n</VantorTitle>\r\n"));
    EXPECT_EQ(lang.Text(LangTag::VantorTitle, 0), "\xEF\xBF\xBDx");
}

const char kDeviceListExample[] =
    "<?xml version=\"1.0\"?>\n<Devices>\n\t<Device>\n\t\t<Name>Front door</Name>\n"
    "\t\t<IP>192.168.1.20</IP>\n\t\t<Port>81</Port>\n\t\t<Username>admin</Username>\n"
    "\t\t<Pwd>pa&amp;ss</Pwd>\n\t\t<VideoMode>-1</VideoMode>\n\t\t<P2P>1</P2P>\n"
    "\t\t<ID>VSTC123456ABCDE</ID>\n\t\t<Type>0</Type>\n\t</Device>\n\t<Device>\n"
    "\t\t<Name>Recorder</Name>\n\t\t<IP>10.0.0.5</IP>\n\t\t<Port>65535</Port>\n"
    "\t\t<Username>u</Username>\n\t\t<Pwd>p</Pwd>\n\t\t<VideoMode>2</VideoMode>\n"
    "\t\t<P2P>0</P2P>\n\t\t<ID>NAS0001</ID>\n\t\t<Type>1</Type>\n\t</Device>\n</Devices>\n";

TEST(DeviceListFile, RoundTripsTheExampleReadableByAnotherParser) {
    std::vector<DeviceListEntry> list;
    ASSERT_TRUE(DeviceListFile::Parse(kDeviceListExample, &list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].identity.name, "Front door");
    EXPECT_STREQ(list[0].identity.password, "pa&ss");
    EXPECT_EQ(list[0].identity.port, 81);
    EXPECT_EQ(list[0].identity.video_mode, -1);
    EXPECT_EQ(list[0].identity.connection_mode, 1);
    EXPECT_EQ(list[0].identity.key, 0u);
    EXPECT_EQ(list[1].kind, kKindRecorder);
    EXPECT_EQ(list[1].identity.port, 65535);
    EXPECT_EQ(DeviceListFile::Format(list), kDeviceListExample);

    TestFolder dir;
    ASSERT_TRUE(DeviceListFile::Save(dir.File("camera.xml"), list));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("camera.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // device passwords inside
    const std::string peer = RunCapture(
        "python3 -c \"import xml.etree.ElementTree as E,sys;"
        "r=E.parse(sys.argv[1]).getroot();"
        "[print('|'.join(c.text or '' for c in d)) for d in r.findall('Device')]\" " +
        dir.File("camera.xml"));
    EXPECT_EQ(peer,
              "Front door|192.168.1.20|81|admin|pa&ss|-1|1|VSTC123456ABCDE|0\n"
              "Recorder|10.0.0.5|65535|u|p|2|0|NAS0001|1\n");
}

TEST(DeviceListFile, SkipsBadTypesAndBoundsLongTexts) {
    const std::string long_name = std::string(46, 'n') + "\xC3\xA9";  // 48 bytes: too long
    const std::string xml =
        "<Devices><Device><Name>a</Name><Type>2</Type></Device>"
        "<Device><Name>b</Name><Type>7</Type></Device>"
        "<Device><Name>c</Name></Device>"
        "<Device><Name>d</Name><Type></Type></Device>"
        "<Device><Name>" +
        std::string(47, 'e') +
        "</Name><Type>5</Type></Device>"
        "<Device><Name>" +
        long_name +
        "</Name><Port>70000</Port>"
        "<ID>" +
        std::string(40, 'i') +
        "</ID><Type>3</Type></Device>"
        "</Devices>";
    std::vector<DeviceListEntry> list;
    ASSERT_TRUE(DeviceListFile::Parse(xml, &list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[0].identity.name, "a");
    EXPECT_EQ(list[0].identity.port, 0);
    EXPECT_EQ(list[0].identity.connection_mode, kConnectDirect);
    EXPECT_EQ(std::string(list[1].identity.name), std::string(47, 'e'));
    EXPECT_EQ(std::string(list[2].identity.name), std::string(46, 'n'));
    EXPECT_EQ(list[2].identity.port, 70000 & 0xFFFF);
    EXPECT_EQ(std::string(list[2].identity.device_id), std::string(31, 'i'));
}

TEST(DeviceListFile, BrokenFilesGiveNoDevices) {
    struct Case {
        const char* xml;
        const char* trace;
    };
    const Case cases[] = {
        {"<Devices><Device>", "load camera.xml failed.Msg:"},
        {"<Cameras><Device><Type>0</Type></Device></Cameras>",
         "read camera.xml file error,no found root node."},
    };
    for (const Case& c : cases) {
        DebugCapture trace;
        std::vector<DeviceListEntry> list;
        EXPECT_FALSE(DeviceListFile::Parse(c.xml, &list));
        EXPECT_TRUE(list.empty());
        EXPECT_TRUE(trace.Contains(c.trace));
    }
    TestFolder dir;
    std::vector<DeviceListEntry> list;
    EXPECT_FALSE(DeviceListFile::Load(dir.File("camera.xml"), &list));
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace vantor::client
