// One AVI file of a local recording: the video stream copied as it came (H.264/H.265 Annex B or
// MJPEG), with a G.711 A-law audio stream. Frames are numbered, so the file's duration is its
// frame count over the frame rate.
// Thread: the recording thread only.
#pragma once

#include <cstdint>
#include <string>

#include "MediaFrame.h"

struct AVFormatContext;
struct AVPacket;

namespace tarsil {

class AviWriter {
  public:
    static constexpr int kAudioRate = 8000;

    AviWriter();
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    bool open(const std::string& path, Codec codec, int width, int height, int fps);
    bool writeVideo(const MediaFrame& frame);
    // Audio of another rate or channel count than the file's is skipped.
    bool writeAudio(const MediaFrame& frame);
    // Writes the index and closes; the file stays.
    void close();
    bool isOpen() const { return context_ != nullptr; }
    uint64_t bytesWritten() const;
    const std::string& path() const { return path_; }

  private:
    AVFormatContext* context_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::string path_;
    int64_t videoFrames_ = 0;
    int64_t audioSamples_ = 0;
};

}  // namespace tarsil
