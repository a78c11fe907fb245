// One camera instance driven from the command line: connects, waits for the device to
// accept the account, and turns the library's callbacks into waits with deadlines.
//
// Thread: the command-line thread calls everything; callbacks arrive on library threads and
// only append to the session's inbox.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "CliInbox.h"
#include "darvel.h"

namespace vantor::cli {

class CliSession {
  public:
    CliSession();
    ~CliSession();

    // Where and how to connect: by device ID over P2P (battery: the racing wake-up attempts),
    // or by host and port over TCP.
    struct Target {
        std::string deviceId;
        std::string host;
        int port = 0;
        bool battery = false;
    };

    // Creates the instance and waits up to timeout_ms for the account to be accepted (P2P).
    // A TCP session has no account check: it is ready once started.
    // false with *error set on failure.
    bool Open(const Target& target, const std::string& user, const std::string& password,
              int timeout_ms, std::string* error);

    int id() const { return id_; }

    // Asks for `type` and waits for a data callback of `deliveredType`.
    bool Query(int type, int deliveredType, int timeout_ms, std::vector<char>* record);
    // Sends a record and waits for the result callback of `type`; *result gets it.
    bool Set(int type, const void* record, size_t size, int timeout_ms, int* result);
    // Sends the file record and waits for the transfer's outcome (0x2717); every progress
    // report (0x2718) goes to `progress` and restarts the wait. false when no outcome came.
    bool Transfer(const DarvelTransferRecord& record, int timeout_ms,
                  const std::function<void(int)>& progress, int* outcome);
    // Waits until the record-file callback reported the whole list.
    bool WaitRecordList(int timeout_ms, std::vector<DarvelRecordListEntry>* entries);

    // Frames written to `out` as they arrive (head + data), until `done` says so or the
    // deadline passes. Returns the number of frames written.
    int CollectFrames(bool playback, FILE* out, int timeout_ms,
                      const std::function<bool(const char*, int)>& done);

  private:
    static void OnEvent(int e, void* u);
    static void OnData(int type, const char* r, int n, void* u);
    static void OnResult(int type, int result, void* u);
    static void OnFile(const DarvelRecordListEntry* e, void* u);
    static void OnFrame(const char* f, int n, void* u);

    int id_ = -1;
    CliInbox<DarvelRecordListEntry> inbox_;

  public:
    // The frame callback for streams started by the caller.
    static DarvelFrameCallback FrameCallback() { return &OnFrame; }
};

}  // namespace vantor::cli
