#include "IndeedRead.h"

#include "CmdHead.h"

namespace vantor {

namespace {
constexpr int kTransportTimeOut = -3;
}

int PPPP_IndeedRead(const ChannelReadFn& read, int channel, char* buffer, int n) {
    int got = 0;
    while (got < n) {
        int chunk = n - got < kIndeedReadChunkBytes ? n - got : kIndeedReadChunkBytes;
        int size = chunk;
        int r = read(channel, buffer + got, &size, kIndeedReadTimeout_ms);
        if (r != 0 && r != kTransportTimeOut)
            return r;
        // A transport that reports more than was asked for must not move us past the buffer.
        if (size > chunk)
            size = chunk;
        if (size > 0)
            got += size;
    }
    return 0;
}

}  // namespace vantor
