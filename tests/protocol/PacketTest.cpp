#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CAPPacket.h"

using namespace vantor;

namespace {

const std::string kTail =
    "HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, "
    "application/QVOD, */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "UA-CPU: x86\r\n"
    "Accept-Encoding: gzip,deflate\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; windows NT 5.1; .NET CLR 1.1.4222; .NET CLR "
    "2.0.50727)\r\n";

enum Kind { kQuoted, kSingle, kString, kInt };

}  // namespace

TEST(Extraction, EdgeCases) {
    const struct {
        Kind kind;
        const char* text;
        const char* key;
        int result;
        const char* value;  // expected output text ("<untouched>" = pre-fill kept)
    } cases[] = {
        {kInt, "port=;", "port=", 0, "<untouched>"},
        {kInt, "port=81;", "port=", 1, "81"},
        {kInt, "rtspport=554;port=81;", "port=", 1, "554"},  // first occurrence, inside a key
        {kInt, "x=1;", "port=", 0, "<untouched>"},
        {kInt, "result=   0;", "result= ", 1, "0"},         // blank swallows any white space
        {kInt, "result=0;", "result= ", 0, "<untouched>"},  // no blank: key not found
        {kInt, "v=-12abc;", "v=", 1, "-12"},
        {kInt, "v=abc;", "v=", 1, "0"},
        {kInt, "v=99999999999;", "v=", 1, "2147483647"},
        {kQuoted, "alias=\"\";", "alias=", 1, "<untouched>"},
        {kQuoted, "alias=\"front door\";", "alias=", 1, "front door"},
        {kQuoted, "alias=front;", "alias=", 1, "<untouched>"},  // no quote: nothing scanned
        {kQuoted, "alias=\"unterminated", "alias=", 1, "unterminated"},
        {kQuoted, "ap_ssid[2] =\"net\";", "ap_ssid[2] =", 1, "net"},
        {kQuoted, "ap_ssid[2]=\"net\";", "ap_ssid[2] =", 0, "<untouched>"},
        {kSingle, "name='a b';", "name=", 1, "a b"},
        {kString, "filemd5= 0123abcd;", "filemd5= ", 1, "0123abcd"},
        {kString, "k=;", "k=", 1, "<untouched>"},
        {kString, "k=", "k=", 1, "<untouched>"},
        {kQuoted, "k=%s%n\"x\";", "k=%s%n", 1, "x"},  // a key is never a format
    };
    CAPPacket p;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.key);
        char out[64];
        std::strcpy(out, "<untouched>");
        int iv = 0x5A5A;
        int r = 0;
        switch (c.kind) {
            case kQuoted:
                r = p.GetQuotedValue(c.text, c.key, out, sizeof out);
                break;
            case kSingle:
                r = p.GetSingleQuotedValue(c.text, c.key, out, sizeof out);
                break;
            case kString:
                r = p.GetStringValue(c.text, c.key, out, sizeof out);
                break;
            case kInt:
                r = p.GetIntValue(c.text, c.key, &iv);
                if (iv != 0x5A5A)
                    std::snprintf(out, sizeof out, "%d", iv);
                break;
        }
        EXPECT_EQ(r, c.result);
        EXPECT_STREQ(out, c.value);
    }
}

TEST(Extraction, OverLongValuesAreCutAtTheField) {
    CAPPacket p;
    std::string longValue(300, 'v');
    std::string text = "alias=\"" + longValue + "\";name='" + longValue + "';mac=" + longValue +
                       ";port=" + std::string(400, '7') + ";";
    // Guard bytes after each destination catch a write past its end.
    struct {
        char field[32];
        char guard[16];
    } dst;
    auto check = [&](int r) {
        EXPECT_EQ(r, 1);
        EXPECT_EQ(std::strlen(dst.field), 31u);
        EXPECT_EQ(std::string(dst.field), std::string(31, 'v'));
        for (char g : dst.guard)
            EXPECT_EQ(g, 'G');
    };
    std::memset(&dst, 'G', sizeof dst);
    check(p.GetQuotedValue(text.c_str(), "alias=", dst.field, sizeof dst.field));
    std::memset(&dst, 'G', sizeof dst);
    check(p.GetSingleQuotedValue(text.c_str(), "name=", dst.field, sizeof dst.field));
    std::memset(&dst, 'G', sizeof dst);
    check(p.GetStringValue(text.c_str(), "mac=", dst.field, sizeof dst.field));
    int v = 0;
    EXPECT_EQ(p.GetIntValue(text.c_str(), "port=", &v), 1);  // 255 digits kept, clamped
    EXPECT_EQ(v, 2147483647);
}

TEST(Extraction, ResultTests) {
    CAPPacket p;
    EXPECT_TRUE(CAPPacket::IsResultOk("var result=\"ok\";"));
    EXPECT_TRUE(CAPPacket::IsResultOk("result=01;"));  // more digits after result=0 still count
    EXPECT_TRUE(CAPPacket::IsResultOk("x=1;status=0;"));
    EXPECT_FALSE(CAPPacket::IsResultOk("result=-1;"));
    EXPECT_TRUE(CAPPacket::IsAccountCheckOk("result= 0;"));
    EXPECT_FALSE(CAPPacket::IsAccountCheckOk("status=0;"));
    EXPECT_EQ(p.GetStepResult("result= 3;"), 3);
    EXPECT_EQ(p.GetStepResult("nothing;"), kStepResultNone);
}

TEST(Requests, ExactForms) {
    CAPPacket p;
    p.SetUser("admin", "pw");
    char out[2048];
    int len = -1;
    const struct {
        const char* name;
        int (*build)(CAPPacket&, char*, size_t, int*);
        const char* text;
    } cases[] = {
        {"generic",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildGenericRequest("get_status.cgi?", o, n, l);
         },
         "GET get_status.cgi?&loginuse=admin&loginpas=pw&user=admin&pwd=pw& "},
        {"short login",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildShortLoginRequest("set_ftp.cgi?svr=h&user=u&pwd=p", o, n, l);
         },
         "GET set_ftp.cgi?svr=h&user=u&pwd=p&loginuse=admin&loginpas=pw& "},
        {"ptz",
         [](CAPPacket& q, char* o, size_t n, int* l) { return q.BuildPtzRequest(4, o, n, l); },
         "GET decoder_control.cgi?loginuse=admin&loginpas=pw&command=4&onestep=0 "},
        {"live start",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildLiveStartRequest(10, 1, o, n, l);
         },
         "GET livestream.cgi?user=admin&pwd=pw&streamid=10&substream=1&"},
        {"live stop",
         [](CAPPacket& q, char* o, size_t n, int* l) { return q.BuildLiveStopRequest(o, n, l); },
         "GET livestream.cgi?user=admin&pwd=pw&streamid=16&"},
        {"audio start",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildAudioStartRequest(3, o, n, l);
         },
         "GET audiostream.cgi?user=admin&pwd=pw&streamid=3& "},
        {"audio stop",
         [](CAPPacket& q, char* o, size_t n, int* l) { return q.BuildAudioStopRequest(o, n, l); },
         "GET audiostream.cgi?user=admin&pwd=pw&streamid=16&"},
        {"record list",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildRecordListRequest(2, 20, o, n, l);
         },
         "GET get_record_file.cgi?PageIndex=2&PageSize=20&loginuse=admin&loginpas=pw& "},
        {"login",
         [](CAPPacket& q, char* o, size_t n, int* l) {
             return q.BuildLoginRequest("check_user.cgi", o, n, l);
         },
         "GET check_user.cgi?user=admin&pwd=pw&loginuse=admin&loginpas=pw&"},
    };
    for (int tcp = 0; tcp < 2; ++tcp) {
        p.setTcpMode(tcp);
        const std::string tail =
            tcp ? kTail + "Host: cam.local:81\r\nConnection: Keep-Alive\r\n\r\n" : "";
        if (tcp) {
            // The port is taken as 16 bits.
            EXPECT_EQ(p.SetHost("cam.local", 65536 + 81), static_cast<int>(tail.size()));
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (tcp ? " tcp" : ""));
            ASSERT_EQ(c.build(p, out, sizeof out, &len), 1);
            EXPECT_EQ(std::string(out), c.text + tail);
            EXPECT_EQ(len, static_cast<int>(std::strlen(c.text) + tail.size()));
            // One byte short of the terminator: refused, nothing half-written is reported.
            EXPECT_EQ(c.build(p, out, std::strlen(c.text) + tail.size(), &len), 0);
        }
    }
    char bare[32];
    EXPECT_EQ(p.BuildBareCgi("get_status.cgi", bare, sizeof bare), 1);
    EXPECT_STREQ(bare, "get_status.cgi?");
    EXPECT_EQ(p.BuildBareCgi("get_status.cgi", bare, 15), 0);
    EXPECT_EQ(p.BuildCommand(0x2002, nullptr, 0, out, sizeof out, &len), 0);
}

TEST(Requests, CredentialsAreCutAndEmptyOnesStayPresent) {
    CAPPacket p;
    char out[512];
    int len = 0;
    p.SetUser(nullptr, "");
    ASSERT_EQ(p.BuildGenericRequest("get_params.cgi?", out, sizeof out, &len), 1);
    EXPECT_STREQ(out, "GET get_params.cgi?&loginuse=&loginpas=&user=&pwd=& ");

    std::string longUser(40, 'u'), longPass(100, 'p');
    p.SetUser(longUser.c_str(), longPass.c_str());
    EXPECT_EQ(std::string(p.user()), std::string(31, 'u'));
    EXPECT_EQ(std::string(p.password()), std::string(31, 'p'));

    // A host too long for the 512-byte tail is cut; the tail stays terminated and in bounds.
    std::string host(600, 'h');
    int n = p.SetHost(host.c_str(), 80);
    EXPECT_LT(n, 512);
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(p.httpTail()));
}
