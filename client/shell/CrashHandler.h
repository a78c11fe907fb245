// Fatal-signal handler writing a crash report "CrashDump%4d_%02d_%02d_%02d_%02d_%02d.dmp" in the
// data folder (signal, fault address, backtrace), then letting the process die.
//
// Thread: Install once on the main thread before anything else; the handler runs on the
// faulting thread and uses only async-signal-safe calls (the folder is prepared beforehand).
#pragma once

#include <ctime>
#include <string>

namespace vantor::client {

class CrashHandler {
  public:
    static constexpr size_t kFolderMaxBytes = 1024;

    static void Install(const std::string& folder);
    // The report's file name for a local time (exposed for tests).
    static std::string FileName(const std::tm& local_time);
};

}  // namespace vantor::client
