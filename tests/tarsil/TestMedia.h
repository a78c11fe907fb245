// Test media made with the ffmpeg command: H.264 elementary streams cut into access units and
// wrapped in 32-byte media frame heads, reference pictures, and ffprobe answers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor_test {

struct AccessUnit {
    std::vector<uint8_t> bytes;
    bool key = false;
};

class TestMedia {
  public:
    // A fresh temporary folder, removed with the object.
    TestMedia();
    ~TestMedia();
    TestMedia(const TestMedia&) = delete;
    TestMedia& operator=(const TestMedia&) = delete;

    const std::string& dir() const { return dir_; }
    static bool toolsAvailable();  // ffmpeg and ffprobe
    // Runs a shell command; returns its standard output, sets ok to its success.
    static std::string run(const std::string& command, bool* ok = nullptr);

    // testsrc H.264 Annex B: width x height, fps, frames, a key frame every gop frames, no
    // B-frames. extraArgs go to the encoder (e.g. "-qp 0"), filter follows the source
    // (",noise=...").
    std::vector<AccessUnit> makeH264(int width, int height, int fps, int frames, int gop,
                                     const std::string& extraArgs = "",
                                     const std::string& filter = "");
    // The same for H.265 (access unit delimiters inserted) and for MJPEG (one JPEG a frame).
    std::vector<AccessUnit> makeH265(int width, int height, int frames);
    std::vector<AccessUnit> makeMjpeg(int width, int height, int frames);
    // The decoded pictures of the last makeH264 stream as packed RGB24 (all frames).
    std::vector<uint8_t> referenceRgb();

    // A media frame: head (kind, codec, rate, width/rate, height/bits, time) then data.
    static std::vector<uint8_t> frame(uint8_t kind, uint8_t codec, uint8_t rate, uint16_t w,
                                      uint16_t h, int64_t time_ms, uint32_t sequence,
                                      const uint8_t* data, size_t length);

    // ffprobe's duration of a file in seconds; negative when it cannot be read.
    static double probeDuration(const std::string& path);

  private:
    std::string dir_;
    std::string lastStream_;
};

}  // namespace vantor_test
