// The program's start-up and run: crash handler, single instance, data folder, settings,
// accounts, texts, first run, login, main window, ordered shutdown.
//
// Thread: main thread (the user-interface thread).
#pragma once

namespace vantor::client {

class CVantorApp {
  public:
    // The whole run; returns the process exit code.
    static int Run(int argc, char** argv);
};

}  // namespace vantor::client
