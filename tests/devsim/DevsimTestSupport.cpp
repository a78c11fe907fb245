#include "DevsimTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "DeviceFamilies.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace devsim::test {

std::string UniqueId(const std::string& prefix, int n) {
    std::string id = prefix + std::to_string(getpid()) + "N" + std::to_string(n);
    while (id.size() < 12)
        id += 'Q';
    return id.substr(0, 31);
}

std::string IdOfFamily(int family, int n) {
    const vantor::FamilyPrefixRule* rules = vantor::FamilyPrefixRules();
    for (size_t i = 0; i < vantor::kFamilyPrefixRuleCount; ++i) {
        if (rules[i].family != family)
            continue;
        std::string id = std::string(rules[i].prefix) + std::to_string(100000 + getpid() % 800000) +
                         std::to_string(n) + "ABCDE";
        if (vantor::FamilyIndexOf(id.c_str()) == family)
            return id;
    }
    return {};
}

int ConnectLoopback(int port, const std::string& host) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) {
        ::close(fd);
        return -1;
    }
    timeval tv{kIoTimeout_ms / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return fd;
}

bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool RecvExact(int fd, void* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = ::recv(fd, static_cast<char*>(buf) + got, n - got, 0);
        if (r <= 0)
            return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

std::string HttpGet(int port, const std::string& requestLine, const std::string& host) {
    int fd = ConnectLoopback(port, host);
    if (fd < 0)
        return {};
    std::string out;
    if (SendAll(fd,
                requestLine + "HTTP/1.1\r\nHost: " + host + "\r\nConnection: Keep-Alive\r\n\r\n")) {
        // Read the head, then the body by Content-Length or up to the chunked terminator.
        char buf[4096];
        for (;;) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            out.append(buf, static_cast<size_t>(n));
            size_t end = out.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            size_t cl = out.find("Content-Length: ");
            if (cl != std::string::npos && cl < end) {
                size_t len = std::stoul(out.substr(cl + 16));
                if (out.size() >= end + 4 + len)
                    break;
            } else if (out.find("\r\n0\r\n\r\n", end) != std::string::npos) {
                break;
            }
        }
    }
    ::close(fd);
    return out;
}

bool SplitHttp(const std::string& response, std::string* head, std::string* body) {
    size_t end = response.find("\r\n\r\n");
    if (response.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos)
        return false;
    *head = response.substr(0, end + 4);
    *body = response.substr(end + 4);
    return true;
}

bool ReadFrame(int fd, Frame* f) {
    if (!RecvExact(fd, &f->head, sizeof f->head))
        return false;
    if (f->head.dataLen > 524288)
        return false;
    f->data.resize(f->head.dataLen);
    return f->head.dataLen == 0 || RecvExact(fd, f->data.data(), f->data.size());
}

int DecodeH264(const std::vector<std::string>& units, int* width, int* height) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr)
        return -1;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int pictures = 0;
    if (avcodec_open2(c, codec, nullptr) == 0) {
        auto drain = [&] {
            while (avcodec_receive_frame(c, frame) == 0) {
                ++pictures;
                *width = frame->width;
                *height = frame->height;
            }
        };
        for (const auto& u : units) {
            std::vector<uint8_t> buf(u.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
            std::memcpy(buf.data(), u.data(), u.size());
            pkt->data = buf.data();
            pkt->size = static_cast<int>(u.size());
            if (avcodec_send_packet(c, pkt) < 0)
                break;
            drain();
        }
        avcodec_send_packet(c, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&c);
    return pictures;
}

std::vector<uint8_t> DecodeFirstLuma(const std::vector<std::string>& units) {
    std::vector<uint8_t> luma;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr)
        return luma;
    AVCodecContext* c = avcodec_alloc_context3(codec);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avcodec_open2(c, codec, nullptr) == 0) {
        for (size_t i = 0; i <= units.size() && luma.empty(); ++i) {
            std::vector<uint8_t> buf;
            if (i < units.size()) {
                buf.assign(units[i].size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
                std::memcpy(buf.data(), units[i].data(), units[i].size());
                pkt->data = buf.data();
                pkt->size = static_cast<int>(units[i].size());
                if (avcodec_send_packet(c, pkt) < 0)
                    break;
            } else {
                avcodec_send_packet(c, nullptr);  // flush what the decoder holds
            }
            if (avcodec_receive_frame(c, frame) == 0) {
                for (int y = 0; y < frame->height; ++y) {
                    const uint8_t* row = frame->data[0] + y * frame->linesize[0];
                    luma.insert(luma.end(), row, row + frame->width);
                }
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&c);
    return luma;
}

}  // namespace devsim::test
