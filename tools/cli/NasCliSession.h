// One recorder instance (morsk) driven from the command line: connects, waits for the
// recorder to accept the account (P2P), and turns the library's callbacks into waits with
// deadlines. The counterpart of CliSession for cameras.
//
// Thread: the command-line thread calls everything; callbacks arrive on library threads and
// only append under the session's mutex. Ownership: the destructor stops and destroys the
// instance; nas_net_work_init/deInit are the caller's.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "CliInbox.h"
#include "CliSession.h"
#include "morsk.h"

namespace vantor::cli {

class NasCliSession {
  public:
    NasCliSession() = default;
    ~NasCliSession();
    NasCliSession(const NasCliSession&) = delete;
    NasCliSession& operator=(const NasCliSession&) = delete;

    // P2P (by device ID): waits up to timeout_ms for the account check. TCP: ready once
    // started (the recorder checks the account on every request). false with *error set.
    bool Open(const CliSession::Target& target, const std::string& user,
              const std::string& password, int timeout_ms, std::string* error);

    int id() const { return id_; }

    // Asks for `type` (with a request record when given) and waits for a record of
    // `deliveredType`.
    bool Query(int type, int deliveredType, const void* request, size_t requestSize, int timeout_ms,
               std::vector<char>* record);
    // Sends a record (or none) and waits for the result callback of `type`.
    bool Set(int type, const void* record, size_t size, int timeout_ms, int* result);
    // Waits until the record-file callback reported as many files as the list holds. A
    // recorder that has no file sends nothing, so an empty list is a time-out with no entry.
    bool WaitFiles(int timeout_ms, std::vector<NasRecordFileEntry>* entries);
    // Frames (head + data) to `out` until `done` says so or the deadline passes; the count.
    int CollectFrames(FILE* out, int timeout_ms, const std::function<bool(const char*, int)>& done);

    static MorskFrameCallback FrameCallback() { return &OnFrame; }

  private:
    static void OnEvent(int e, void* u);
    static void OnRecord(int type, const char* r, int n, void* u);
    static void OnResult(int type, int result, void* u);
    static void OnFile(const NasRecordFileEntry* e, void* u);
    static void OnFrame(const char* f, int n, void* u);

    int id_ = -1;
    CliInbox<NasRecordFileEntry> inbox_;
};

}  // namespace vantor::cli
