#include "CAPPacket.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantor {
namespace {

constexpr char kTailAccept[] =
    "HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, "
    "application/QVOD, */*\r\n";
constexpr char kTailLanguage[] = "Accept-Language: zh-cn\r\n";
constexpr char kTailCpu[] = "UA-CPU: x86\r\n";
constexpr char kTailEncoding[] = "Accept-Encoding: gzip,deflate\r\n";
constexpr char kTailAgent[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; windows NT 5.1; .NET CLR 1.1.4222; .NET CLR "
    "2.0.50727)\r\n";

enum class ValueForm { kDoubleQuoted, kSingleQuoted, kUnquoted };

void copyCut(char* dst, size_t dstBytes, const char* src) {
    std::snprintf(dst, dstBytes, "%s", src != nullptr ? src : "");
}

// The scan of the devices' answer format: the key is matched again from its first occurrence
// (a blank in the key swallows any run of white space, including none), then the value runs
// to its closing quote or ';'. Nothing scanned leaves the output untouched but still counts
// as a found key. The value is cut to the destination.
int extractValue(const char* text, const char* key, ValueForm form, char* out, size_t outBytes) {
    if (text == nullptr || key == nullptr)
        return 0;
    const char* at = std::strstr(text, key);
    if (at == nullptr)
        return 0;
    if (std::strlen(key) >= kScanPatternBytes)
        return 1;  // no pattern could hold the key
    const char* p = at;
    for (const char* k = key; *k != 0; ++k) {
        if (std::isspace(static_cast<unsigned char>(*k))) {
            while (std::isspace(static_cast<unsigned char>(*p)))
                ++p;
            continue;
        }
        if (*p != *k)
            return 1;
        ++p;
    }
    char stop = ';';
    if (form != ValueForm::kUnquoted) {
        stop = form == ValueForm::kDoubleQuoted ? '"' : '\'';
        if (*p != stop)
            return 1;
        ++p;
    }
    size_t n = 0;
    while (p[n] != 0 && p[n] != stop)
        ++n;
    if (n == 0 || out == nullptr || outBytes == 0)
        return 1;
    if (n > outBytes - 1)
        n = outBytes - 1;
    std::memcpy(out, p, n);
    out[n] = 0;
    return 1;
}

}  // namespace

CAPPacket::CAPPacket() = default;
CAPPacket::~CAPPacket() = default;

void CAPPacket::SetUser(const char* user, const char* password) {
    copyCut(user_, sizeof user_, user);
    copyCut(password_, sizeof password_, password);
}

int CAPPacket::SetHost(const char* host, int port) {
    constexpr char kHostFormat[] = "Host: %.*s:%d\r\nConnection: Keep-Alive\r\n\r\n";
    const int fixed = static_cast<int>(std::strlen(kTailAccept) + std::strlen(kTailLanguage) +
                                       std::strlen(kTailCpu) + std::strlen(kTailEncoding) +
                                       std::strlen(kTailAgent));
    const unsigned port16 = static_cast<unsigned short>(port);
    // Room for the host: the tail minus its fixed texts, the Host line's own texts and the port.
    const int hostRoom =
        static_cast<int>(kHttpTailBytes) - 1 - fixed - static_cast<int>(sizeof kHostFormat) - 5;
    int n = std::snprintf(tail_, sizeof tail_, "%s%s%s%s%s", kTailAccept, kTailLanguage, kTailCpu,
                          kTailEncoding, kTailAgent);
    n += std::snprintf(tail_ + n, sizeof tail_ - n, kHostFormat, hostRoom,
                       host != nullptr ? host : "", port16);
    tailLen_ = static_cast<int>(std::strlen(tail_));
    return tailLen_;
}

int CAPPacket::BuildBareCgi(const char* cgi, char* out, size_t outBytes) {
    if (out == nullptr || outBytes == 0)
        return 0;
    int n = std::snprintf(out, outBytes, "%s?", cgi != nullptr ? cgi : "");
    return (n >= 0 && static_cast<size_t>(n) < outBytes) ? 1 : 0;
}

int CAPPacket::formatRequest(char* out, size_t outBytes, int* outLen, const char* fmt, ...) {
    if (out == nullptr || outBytes == 0)
        return 0;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(out, outBytes, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<size_t>(n) >= outBytes) {
        out[0] = 0;
        return 0;
    }
    if (tcpMode_ == 1) {
        if (static_cast<size_t>(n) + tailLen_ >= outBytes) {
            out[0] = 0;
            return 0;
        }
        std::memcpy(out + n, tail_, tailLen_ + 1);
        n += tailLen_;
    }
    if (outLen != nullptr)
        *outLen = n;
    return 1;
}

int CAPPacket::BuildLoginRequest(const char* cgi, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET %s?user=%s&pwd=%s&loginuse=%s&loginpas=%s&",
                         cgi != nullptr ? cgi : "", user_, password_, user_, password_);
}

int CAPPacket::GetQuotedValue(const char* text, const char* key, char* out, size_t outBytes) {
    return extractValue(text, key, ValueForm::kDoubleQuoted, out, outBytes);
}

int CAPPacket::GetSingleQuotedValue(const char* text, const char* key, char* out, size_t outBytes) {
    return extractValue(text, key, ValueForm::kSingleQuoted, out, outBytes);
}

int CAPPacket::GetStringValue(const char* text, const char* key, char* out, size_t outBytes) {
    return extractValue(text, key, ValueForm::kUnquoted, out, outBytes);
}

int CAPPacket::GetIntValue(const char* text, const char* key, int* out) {
    char value[kIntValueTextBytes] = {};
    if (extractValue(text, key, ValueForm::kUnquoted, value, sizeof value) == 0 || value[0] == 0)
        return 0;
    errno = 0;
    long v = std::strtol(value, nullptr, 10);
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    if (out != nullptr)
        *out = static_cast<int>(v);
    return 1;
}

int CAPPacket::BuildCommand(int, const void*, int, char*, size_t, int*) {
    return 0;
}

int CAPPacket::BuildGenericRequest(const char* cgi, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET %s&loginuse=%s&loginpas=%s&user=%s&pwd=%s& ",
                         cgi != nullptr ? cgi : "", user_, password_, user_, password_);
}

int CAPPacket::BuildShortLoginRequest(const char* cgi, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET %s&loginuse=%s&loginpas=%s& ",
                         cgi != nullptr ? cgi : "", user_, password_);
}

int CAPPacket::BuildPtzRequest(int command, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET decoder_control.cgi?loginuse=%s&loginpas=%s&command=%d&onestep=%d ",
                         user_, password_, command, 0);
}

int CAPPacket::BuildLiveStartRequest(int streamId, int subStream, char* out, size_t outBytes,
                                     int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET livestream.cgi?user=%s&pwd=%s&streamid=%d&substream=%d&", user_,
                         password_, streamId, subStream);
}

int CAPPacket::BuildLiveStopRequest(char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET livestream.cgi?user=%s&pwd=%s&streamid=%d&",
                         user_, password_, kStreamStopId);
}

int CAPPacket::BuildAudioStartRequest(int streamId, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET audiostream.cgi?user=%s&pwd=%s&streamid=%d& ",
                         user_, password_, streamId);
}

int CAPPacket::BuildAudioStopRequest(char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen, "GET audiostream.cgi?user=%s&pwd=%s&streamid=%d&",
                         user_, password_, kStreamStopId);
}

int CAPPacket::BuildRecordListRequest(int pageIndex, int pageSize, char* out, size_t outBytes,
                                      int* outLen) {
    return formatRequest(
        out, outBytes, outLen,
        "GET get_record_file.cgi?PageIndex=%d&PageSize=%d&loginuse=%s&loginpas=%s& ", pageIndex,
        pageSize, user_, password_);
}

bool CAPPacket::IsResultOk(const char* text) {
    return text != nullptr &&
           (std::strstr(text, "result=\"ok\"") != nullptr ||
            std::strstr(text, "result=0") != nullptr || std::strstr(text, "status=0") != nullptr);
}

bool CAPPacket::IsAccountCheckOk(const char* text) {
    return text != nullptr &&
           (std::strstr(text, "result= 0") != nullptr || std::strstr(text, "result=0") != nullptr);
}

int CAPPacket::GetStepResult(const char* text) {
    int result = kStepResultNone;
    GetIntValue(text, "result= ", &result);
    return result;
}

int CAPPacket::GetFileMd5(const char* text, char* out, size_t outBytes) {
    return GetStringValue(text, "filemd5= ", out, outBytes);
}

}  // namespace vantor
