// The process-wide records of a run: folders, settings, accounts and texts.
//
// Thread: user-interface thread. Created by CVantorApp before any window; views read it.
#pragma once

#include <QString>
#include <string>

#include "LanguageTables.h"
#include "SystemSettings.h"
#include "UserAccounts.h"

namespace vantor::client {

struct AppContext {
    std::string data_folder;     // settings, accounts, device list, logs
    std::string program_folder;  // shipped data (skin/) beside the executable
    SystemSettings settings;
    UserAccounts accounts;
    LanguageTables lang;

    std::string File(const char* name) const;
    QString SkinFolder() const;
    QString Text(LangTag tag, int entry) const {
        const std::string_view t = lang.Text(tag, entry);
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
};

}  // namespace vantor::client
