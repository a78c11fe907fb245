#include "CVantorApp.h"

#include <sys/stat.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdlib>

#include "AppContext.h"
#include "CCDevInfo.h"
#include "CFirstRunDlg.h"
#include "CVantorMain.h"
#include "CrashHandler.h"
#include "DataPaths.h"
#include "InstanceLock.h"
#include "MediaSettings.h"

namespace vantor::client {

namespace {

constexpr int kStartupDelayMs = 2000;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

int CVantorApp::Run(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Vantor");
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({"home", "Data folder (settings, accounts, device list).", "DIR"});
    args.addOption({"auto-login", "Log in with the remembered name and password."});
    args.process(qt);

    AppContext app;
    app.program_folder = DataPaths::ExecutableFolder();
    DataFolderSources sources;
    sources.home_arg = args.value("home").toStdString();
    sources.env_home = Env("VANTOR_HOME");
    sources.executable_folder = app.program_folder;
    sources.xdg_data_home = Env("XDG_DATA_HOME");
    sources.user_home = Env("HOME");
    app.data_folder = DataPaths::ResolveDataFolder(sources);

    // A second copy stops here, before it touches any file.
    InstanceLock instance;
    if (!instance.Acquire(app.program_folder)) {
        QMessageBox box;
        box.setWindowTitle("Program has been running!");
        box.setText("Program has been running!");
        box.exec();
        return 0;
    }
    DataPaths::MakeFolders(app.data_folder);
    CrashHandler::Install(app.data_folder);

    SystemSettingsFile::Load(app.File("sysconfig.xml"), app.data_folder, &app.settings);
    const std::string users = app.File("user.xml");
    struct stat st {};
    const bool first_run = ::stat(users.c_str(), &st) != 0;
    UserAccountsFile::Load(users, &app.accounts);
    app.lang.Load(DataPaths::Join(app.program_folder, "skin/language"), app.settings.language);
    MediaSettings::Set(MediaSettings::FromSystem(app.settings, app.data_folder));
    CCDevInfo::SetAlarmRoot(DataPaths::MapDriveDefault(app.settings.alarm_path, app.data_folder));

    if (first_run) {
        CFirstRunDlg first(app);
        if (first.exec() != QDialog::Accepted) {
            return 0;
        }
    }
    CVantorMain main(app, true);
    if (!main.LoginAndShow(kStartupDelayMs, args.isSet("auto-login"))) {
        main.close();  // writes the device list back unchanged and stops the libraries
        return 0;
    }
    return qt.exec();
}

}  // namespace vantor::client
