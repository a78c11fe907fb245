// Where the client's files live and how names are joined to folders.
//
// Thread: any (no state). Shipped data (skin/) lies beside the executable. The data folder
// (settings, accounts, device list, logs, crash reports, default media folders) is chosen by
// ResolveDataFolder. Paths written by older settings use '\' and doubled separators; every
// join treats '\' and '/' alike and collapses runs of separators, producing '/' paths.
#pragma once

#include <string>
#include <string_view>

namespace vantor::client {

struct DataFolderSources {
    std::string home_arg;           // --home DIR, empty when not given
    std::string env_home;           // VANTOR_HOME, empty when unset
    std::string executable_folder;  // folder of the running program
    std::string xdg_data_home;      // XDG_DATA_HOME, empty when unset
    std::string user_home;          // HOME, empty when unset
};

class DataPaths {
  public:
    static constexpr size_t kPathMaxBytes = 4096;

    // --home, else VANTOR_HOME, else the executable's folder when writable, else
    // $XDG_DATA_HOME/vantor (or ~/.local/share/vantor). The result has no trailing separator.
    static std::string ResolveDataFolder(const DataFolderSources& sources);

    // Folder of /proc/self/exe; "." when it cannot be read.
    static std::string ExecutableFolder();

    // Joins with one separator, whatever separators the parts carry.
    static std::string Join(std::string_view folder, std::string_view name);

    // Every '\' becomes '/', runs of separators collapse to one, a trailing one is dropped
    // (except for the root "/").
    static std::string Normalize(std::string_view path);

    // Windows drive-letter defaults ("c:\alarmPhoto", "C:\pic") have no meaning here: they map
    // to the same relative folder inside the data folder. Other paths are only normalised.
    static std::string MapDriveDefault(std::string_view path, std::string_view data_folder);

    // Creates the folder and its parents (mode 0755). true when it exists afterwards.
    static bool MakeFolders(const std::string& folder);
};

}  // namespace vantor::client
