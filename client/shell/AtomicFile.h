// Whole-file replacement that never leaves a half-written file behind.
//
// Thread: any; two writers of the same path race only on which complete file wins.
// The content goes to a temporary file in the same folder, is flushed, and is renamed over the
// target, so a failed save (full disk, missing folder, read-only folder) leaves the previous
// file untouched. Files holding passwords are created with mode 0600.
#pragma once

#include <sys/types.h>
#include <string>
#include <string_view>

namespace vantor::client {

class AtomicFile {
  public:
    static constexpr mode_t kPublicMode = 0644;
    static constexpr mode_t kSecretMode = 0600;

    // true when the whole content is on disk under path.
    static bool Write(const std::string& path, std::string_view content, mode_t mode);

    // Reads a whole file of at most max_bytes bytes. false when it cannot be opened, read or is
    // larger than the bound.
    static bool Read(const std::string& path, size_t max_bytes, std::string* content);
};

}  // namespace vantor::client
