// Request builder and answer extractor of one session: holds the login credentials and the
// HTTP header tail, wraps CGI texts into complete requests, and pulls values out of answer
// texts of key=value pairs. CAPCameraPacket and CAPNasPacket derive from it.
//
// Thread: a packet belongs to one session and is used under the session's main lock or from
// its receive thread. The extraction operations read only their arguments and are safe from
// any thread.
//
// Every builder takes its output size and never writes past it: a request (with the header
// tail in TCP mode) that does not fit gives 0. Every extraction takes its destination size and
// cuts the value there (NUL-terminated).
#pragma once

#include <cstddef>

namespace vantor {

inline constexpr size_t kCredentialBytes = 32;      // user and password, incl. terminator
inline constexpr size_t kHttpTailBytes = 512;       // HTTP header tail, incl. terminator
inline constexpr size_t kScanPatternBytes = 512;    // longest key usable in an extraction
inline constexpr size_t kIntValueTextBytes = 256;   // GetIntValue scans into this first
inline constexpr size_t kRequestTextBytes = 65536;  // request text buffer of the sessions
inline constexpr int kStepResultNone = 255;         // GetStepResult without a result key
inline constexpr int kStreamStopId = 16;            // stream id of the stop forms

class CAPPacket {
  public:
    CAPPacket();
    // Slot 1.
    virtual ~CAPPacket();

    // Slot 2. Copies both texts (null = empty), each cut to kCredentialBytes - 1 characters.
    virtual void SetUser(const char* user, const char* password);
    // Slot 3. Builds the HTTP header tail for host:port (port taken as unsigned 16 bits; a
    // host too long for the tail is cut). Returns the tail length.
    virtual int SetHost(const char* host, int port);
    // Slot 4. Writes "<cgi>?". 1 done, 0 when it does not fit.
    virtual int BuildBareCgi(const char* cgi, char* out, size_t outBytes);
    // Slot 5. Writes "GET <cgi>?user=..&pwd=..&loginuse=..&loginpas=..&" (+ tail in TCP mode)
    // and stores its length in *outLen. 1 done, 0 when it does not fit.
    virtual int BuildLoginRequest(const char* cgi, char* out, size_t outBytes, int* outLen);
    // Slots 6-8: string values. 0 when the key does not occur in the text; else 1, also when
    // nothing could be scanned after it (the output is then untouched).
    virtual int GetQuotedValue(const char* text, const char* key, char* out, size_t outBytes);
    virtual int GetSingleQuotedValue(const char* text, const char* key, char* out, size_t outBytes);
    virtual int GetStringValue(const char* text, const char* key, char* out, size_t outBytes);
    // Slot 9. 0 when the key is missing or the value is empty (output untouched); else 1 with
    // the decimal value (leading digits, optional sign; clamped to the int range).
    virtual int GetIntValue(const char* text, const char* key, int* out);
    // Slot 10. Turns a parameter type and its record into a request; this base knows no
    // command and answers 0.
    virtual int BuildCommand(int type, const void* data, int length, char* out, size_t outBytes,
                             int* outLen);

    // ---- request forms (each followed by the tail in TCP mode; *outLen includes it) ----
    // 1 done, 0 when the request does not fit outBytes.
    int BuildGenericRequest(const char* cgi, char* out, size_t outBytes, int* outLen);
    // The short login form of set_ddns.cgi, set_ftp.cgi and set_mail.cgi (0x2004/6/8).
    int BuildShortLoginRequest(const char* cgi, char* out, size_t outBytes, int* outLen);
    int BuildPtzRequest(int command, char* out, size_t outBytes, int* outLen);
    int BuildLiveStartRequest(int streamId, int subStream, char* out, size_t outBytes, int* outLen);
    int BuildLiveStopRequest(char* out, size_t outBytes, int* outLen);
    int BuildAudioStartRequest(int streamId, char* out, size_t outBytes, int* outLen);
    int BuildAudioStopRequest(char* out, size_t outBytes, int* outLen);
    int BuildRecordListRequest(int pageIndex, int pageSize, char* out, size_t outBytes,
                               int* outLen);

    // ---- result tests over a whole answer text ----
    static bool IsResultOk(const char* text);        // result="ok", result=0 or status=0
    static bool IsAccountCheckOk(const char* text);  // result= 0 or result=0
    int GetStepResult(const char* text);             // "result= ", kStepResultNone if absent
    int GetFileMd5(const char* text, char* out, size_t outBytes);  // "filemd5= "

    void setTcpMode(int tcpMode) { tcpMode_ = tcpMode; }
    int tcpMode() const { return tcpMode_; }
    const char* user() const { return user_; }
    const char* password() const { return password_; }
    const char* httpTail() const { return tail_; }
    int httpTailLen() const { return tailLen_; }

  protected:
    // printf into out, then the tail in TCP mode. 1 done (length in *outLen), 0 on no room.
    int formatRequest(char* out, size_t outBytes, int* outLen, const char* fmt, ...)
        __attribute__((format(printf, 5, 6)));

    int tcpMode_ = 0;  // 1: every request is followed by the HTTP header tail
    char user_[kCredentialBytes] = {};
    char password_[kCredentialBytes] = {};
    char tail_[kHttpTailBytes] = {};
    int tailLen_ = 0;
};

}  // namespace vantor
