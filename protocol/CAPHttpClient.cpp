#include "CAPHttpClient.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "DebugOut.h"

namespace vantor {
namespace {

constexpr int kLineTooLong = -3;
constexpr int kTrailerLinesMax = 64;

void appendCut(char* dst, size_t dstBytes, size_t* used, const char* src, size_t n) {
    if (dstBytes == 0 || *used >= dstBytes - 1)
        return;
    size_t room = dstBytes - 1 - *used;
    if (n > room)
        n = room;
    std::memcpy(dst + *used, src, n);
    *used += n;
    dst[*used] = 0;
}

bool isBlankLine(const char* line) {
    return std::strcmp(line, "\r\n") == 0 || std::strcmp(line, "\n") == 0;
}

void logReadTimeout() {
    DebugOut("---------------------http socket read timeout");
}

}  // namespace

CAPHttpClient::CAPHttpClient(const HttpTimeouts& timeouts)
    : timeouts_(timeouts), socket_(timeouts.connect_ms) {}

CAPHttpClient::~CAPHttpClient() = default;

int CAPHttpClient::ReadExact(char* buffer, size_t bufferBytes, size_t size, int retries) {
    if (buffer == nullptr || bufferBytes < size + 1)
        return -1;
    size_t got = 0;
    while (got < size) {
        if (retries <= 0)
            return 0;
        int w = socket_.WaitReadable(timeouts_.readWait_ms);
        if (w < 0)
            return -1;
        if (w == 0) {
            logReadTimeout();
            --retries;
            continue;
        }
        int r = socket_.Recv(buffer + got, size - got);
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        got += static_cast<size_t>(r);
    }
    buffer[size] = 0;
    return static_cast<int>(size);
}

int CAPHttpClient::ReadLine(char* buffer, size_t bufferBytes) {
    if (buffer == nullptr || bufferBytes < 2)
        return kLineTooLong;
    buffer[0] = 0;
    const auto start = std::chrono::steady_clock::now();
    int count = 0;
    for (;;) {
        char c = 0;
        bool got = false;
        for (int waits = 0; waits < timeouts_.lineByteWaits && !got;) {
            int w = socket_.WaitReadable(timeouts_.readWait_ms);
            if (w < 0)
                return -1;
            if (w == 0) {
                logReadTimeout();
                ++waits;
                continue;
            }
            int r = socket_.Recv(&c, 1);
            if (r < 0)
                return -1;
            if (r == 0)
                return count;
            got = true;
        }
        if (!got)
            return count;
        if (static_cast<size_t>(count) + 2 > bufferBytes)
            return kLineTooLong;
        buffer[count] = c;
        buffer[count + 1] = 0;
        if (c == '\n')
            return count + 1;
        ++count;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed > std::chrono::milliseconds(timeouts_.line_ms))
            return -2;
    }
}

int CAPHttpClient::ReadResponse(char* header, size_t headerBytes, char* body, size_t bodyBytes) {
    if (header == nullptr || headerBytes == 0 || body == nullptr || bodyBytes == 0)
        return -1;
    header[0] = 0;
    body[0] = 0;
    size_t headerLen = 0;
    long contentLength = 0;
    bool chunked = false;
    char line[kHttpLineBytes];
    for (;;) {
        int n = ReadLine(line, sizeof line);
        if (n < 0)
            return n;
        if (n == 0)
            break;
        appendCut(header, headerBytes, &headerLen, line, static_cast<size_t>(n));
        const char* cl = std::strstr(line, "Content-length:");
        if (cl == nullptr)
            cl = std::strstr(line, "Content-Length:");
        if (cl != nullptr)
            contentLength = std::strtol(cl + std::strlen("Content-Length:"), nullptr, 10);
        if (std::strstr(line, "Transfer-Encoding: chunked") != nullptr)
            chunked = true;
        if (std::strcmp(line, "\r\n") == 0)
            break;
    }
    if (chunked)
        return readChunked(body, bodyBytes);
    if (contentLength <= 0)
        return 0;
    if (static_cast<unsigned long>(contentLength) > bodyBytes - 1) {
        DebugOut("http body of %ld bytes exceeds the %zu-byte buffer\n", contentLength,
                 bodyBytes - 1);
        return -1;
    }
    int r = ReadExact(body, bodyBytes, static_cast<size_t>(contentLength), timeouts_.bodyRetries);
    if (r <= 0)
        return r;
    if (r != contentLength)
        return -1;
    return r;
}

// Each chunk is its size line, exactly that many data bytes (which may hold line feeds) and a
// CRLF. The body bound also bounds the work: every chunk but the last adds at least one byte.
int CAPHttpClient::readChunked(char* body, size_t bodyBytes) {
    char line[kHttpLineBytes];
    size_t total = 0;
    for (size_t chunks = 0;; ++chunks) {
        if (chunks >= kHttpMaxChunks)
            return -1;
        if (ReadLine(line, sizeof line) <= 0)
            return 0;
        char* end = nullptr;
        const char* digits = line;
        if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            digits += 2;
        unsigned long size = std::strtoul(digits, &end, 16);
        if (end == digits || line[0] == '-')
            return 0;  // not a chunk size: unusable
        if (size == 0) {
            for (int i = 0; i < kTrailerLinesMax; ++i) {
                if (ReadLine(line, sizeof line) <= 0 || isBlankLine(line))
                    break;
            }
            return static_cast<int>(total);
        }
        if (size > bodyBytes - 1 - total) {
            DebugOut("http chunked body exceeds the %zu-byte buffer\n", bodyBytes - 1);
            return -1;
        }
        int r = ReadExact(body + total, bodyBytes - total, size, timeouts_.bodyRetries);
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        total += size;
        if (ReadLine(line, sizeof line) <= 0 || !isBlankLine(line))
            return 0;
    }
}

}  // namespace vantor
