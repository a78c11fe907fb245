// The Qt shell on a real X server: login, main window, device rows, lock, shutdown; and the
// refusal of a second program start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "AppContext.h"
#include "CAlarmIpc.h"
#include "CCDevInfo.h"
#include "CCLayoutCtrVecDlg.h"
#include "CCLockLoginDlg.h"
#include "CDevUserManage.h"
#include "CSkinButton.h"
#include "CVantorMain.h"
#include "CWvrInfo.h"
#include "DataPaths.h"
#include "DeviceListFile.h"
#include "DeviceRowRules.h"
#include "DevsimProcess.h"
#include "MainGeometry.h"
#include "EventWait.h"
#include "TestFolder.h"

namespace vantor::client {
namespace {


using test::WaitFor;

void PrepareHome(const test::TestFolder& home) {
    home.Write("user.xml",
               "<UserInfo>\n<item>guest</item>\n<item>gpw</item>\n<item>admin</item>\n"
               "<item>secret</item>\n<item>0</item>\n<item>0</item>\n<item>0</item>\n</UserInfo>");
    home.Write("sysconfig.xml",
               "<?xml version=\"1.0\"?>\n<SystemSet>\n\t<InitSplitScreen>4</InitSplitScreen>\n"
               "\t<Language>1</Language>\n\t<Flag>1</Flag>\n</SystemSet>\n");
    home.Write("camera.xml",
               "<?xml version=\"1.0\"?>\n<Devices>\n"
               "\t<Device>\n\t\t<Name>Front door</Name>\n\t\t<Username>admin</Username>\n"
               "\t\t<Pwd>pw</Pwd>\n\t\t<P2P>1</P2P>\n\t\t<ID>VSIM000001SIMAA</ID>\n"
               "\t\t<Type>0</Type>\n\t</Device>\n"
               "\t<Device>\n\t\t<Name>Garage recorder</Name>\n\t\t<P2P>1</P2P>\n"
               "\t\t<ID>VSIM000009SIMAA</ID>\n\t\t<Type>1</Type>\n\t</Device>\n</Devices>\n");
}

// Types into the active login dialog and presses its login button once it is up.
void LoginWhenShown(const QString& name, const QString& password) {
    QTimer::singleShot(100, [name, password] {
        QWidget* dlg = QApplication::activeModalWidget();
        if (dlg == nullptr) {
            LoginWhenShown(name, password);
            return;
        }
        dlg->findChild<QLineEdit*>("1241")->setText(name);
        dlg->findChild<QLineEdit*>("1242")->setText(password);
        dlg->findChild<CSkinButton*>("1011")->click();
    });
}

QString RowState(QListWidget* grid, int row) {
    QWidget* w = grid->itemWidget(grid->item(row));
    auto* state = w ? w->findChild<QLabel*>("state") : nullptr;
    return state ? state->text() : QString();
}

TEST(ShellUi, LoginShowsTheMainWindowWithDeviceRowsAndLocks) {
    test::Devsim sim("id=VSIM000001SIMAA,kind=camera,httpPort=-1,user=admin,password=pw");
    ASSERT_TRUE(sim.Ready(std::chrono::seconds(20)));
    test::TestFolder home;
    PrepareHome(home);

    AppContext app;
    app.data_folder = home.path();
    app.program_folder = DataPaths::ExecutableFolder();
    SystemSettingsFile::Load(app.File("sysconfig.xml"), app.data_folder, &app.settings);
    UserAccountsFile::Load(app.File("user.xml"), &app.accounts);
    ASSERT_TRUE(
        app.lang.Load(DataPaths::Join(app.program_folder, "skin/language"), app.settings.language));
    CCDevInfo::SetAlarmRoot(home.File("alarmPhoto"));
    {
        CVantorMain main(app, false);
        LoginWhenShown("admin", "secret");
        ASSERT_TRUE(main.LoginAndShow(200));
        EXPECT_EQ(app.accounts.current_right, 1);
        ASSERT_TRUE(WaitFor([&] { return main.isVisible(); }, std::chrono::seconds(5)));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(main.geometry(), MainGeometry::WindowRect(screen, false));
        EXPECT_EQ(main.windowTitle(), "Vantor Security Client");

        auto* grid = main.findChild<QListWidget*>("4097");
        ASSERT_NE(grid, nullptr);
        ASSERT_TRUE(WaitFor([&] { return grid->count() == 2; }, std::chrono::seconds(10)));
        EXPECT_EQ(grid->itemWidget(grid->item(0))->findChild<QLabel*>("name")->text(),
                  "Front door");
        EXPECT_NE(grid->itemWidget(grid->item(1))->findChild<QWidget*>("11112"), nullptr);
        EXPECT_EQ(grid->itemWidget(grid->item(0))->findChild<QWidget*>("11112"), nullptr);
        // The simulated camera logs in; the recorder's ID answers nowhere.
        EXPECT_TRUE(
            WaitFor([&] { return RowState(grid, 0) == "Online"; }, std::chrono::seconds(30)))
            << RowState(grid, 0).toStdString();
        EXPECT_NE(RowState(grid, 1), "Online");

        auto* lock = main.findChild<CSkinButton*>("1002");
        EXPECT_EQ(lock->text(), "Lock");
        EXPECT_TRUE(lock->isEnabled());
        EXPECT_TRUE(main.findChild<CSkinButton*>("1016")->isEnabled());
        EXPECT_FALSE(main.findChild<CSkinButton*>("1020")->isEnabled());  // system info: later
        EXPECT_EQ(main.findChild<CSkinButton*>("1009")->toolTip(), "Refresh");

        QApplication::processEvents();
        const std::string shot = std::string(VANTOR_SHOT_DIR) + "/vantor-main.png";
        main.grab().save(QString::fromStdString(shot));

        lock->click();
        ASSERT_TRUE(
            WaitFor([&] { return main.lock_view()->isVisible(); }, std::chrono::seconds(5)));
        EXPECT_FALSE(main.layout()->isVisible());
        auto* pwd = main.lock_view()->findChild<QLineEdit*>("1011");
        pwd->setText("gpw");  // the ordinary user's password does not unlock the administrator
        EXPECT_FALSE(main.lock_view()->TryUnlock());
        pwd->setText("secret");
        EXPECT_TRUE(main.lock_view()->TryUnlock());
        EXPECT_TRUE(main.layout()->isVisible());
        main.close();
    }
    std::vector<DeviceListEntry> back;
    ASSERT_TRUE(DeviceListFile::Load(home.File("camera.xml"), &back));
    EXPECT_EQ(back.size(), 2u);
}

// Closes the next message box and hands its text to *text.
void CloseNextBox(QString* text) {
    QTimer::singleShot(50, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            CloseNextBox(text);
            return;
        }
        *text = box->text();
        box->accept();
    });
}

TEST(ShellUi, AccountEditorChecksRulesAndSaves) {
    test::TestFolder home;
    PrepareHome(home);
    AppContext app;
    app.data_folder = home.path();
    app.program_folder = DataPaths::ExecutableFolder();
    UserAccountsFile::Load(app.File("user.xml"), &app.accounts);
    app.lang.Load(DataPaths::Join(app.program_folder, "skin/language"), 1);
    CDevUserManage dialog(app);
    auto* admin_name = dialog.findChild<QLineEdit*>("1033");
    EXPECT_FALSE(admin_name->isEnabled());
    dialog.EnableEditing();
    admin_name->setText("guest");
    QString shown;
    CloseNextBox(&shown);
    EXPECT_EQ(dialog.TrySave(), 15);
    EXPECT_EQ(shown, "The two account names must differ.");
    EXPECT_EQ(app.accounts.admin_name, "admin");
    admin_name->setText("boss");
    EXPECT_EQ(dialog.TrySave(), 0);
    UserAccounts back;
    ASSERT_TRUE(UserAccountsFile::Load(home.File("user.xml"), &back));
    EXPECT_EQ(back.admin_name, "boss");
}

TEST(ShellUi, RowIconsFollowStateAndKind) {
    CCDevInfo cam;
    CWvrInfo wvr;
    const std::string base = "ipc_icon_off_mo.bmp";
    EXPECT_EQ(DeviceRowRules::IconFile(DeviceRowRules::IconIndex(cam, 1)), base);
    CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(&cam));
    EXPECT_EQ(DeviceRowRules::IconIndex(cam, 2), 2);
    EXPECT_EQ(DeviceRowRules::IconIndex(wvr, 0), 9);
    // A recorder shows its first channel; its own state never changes.
    CCDevInfo::OnDeviceEvent(100, static_cast<WINDOW_DATA*>(wvr.Channel(0)));
    EXPECT_EQ(DeviceRowRules::IconIndex(wvr, 0), 6);
    EXPECT_EQ(wvr.state(), kStateOffline);
    EXPECT_TRUE(DeviceRowRules::HasAreaButton(wvr));
    CAlarmIpc alarm;
    EXPECT_TRUE(DeviceRowRules::HasAreaButton(alarm));
    EXPECT_FALSE(DeviceRowRules::HasAreaButton(cam));
}

TEST(ShellUi, SecondStartIsRefused) {
    if (test::RunCapture("command -v xwininfo").empty()) {
        GTEST_SKIP() << "xwininfo (x11-utils) is needed to see the other process's windows";
    }
    test::TestFolder home;
    PrepareHome(home);
    const auto before = std::filesystem::last_write_time(home.File("camera.xml"));
    const std::string vantor = std::string(VANTOR_PATH) + " --home " + home.path();
    const std::string tree = "xwininfo -root -tree 2>/dev/null";
    const std::string first_pid = test::RunCapture(vantor + " >/dev/null 2>&1 & echo $!");
    ASSERT_TRUE(WaitFor(
        [&] { return test::RunCapture(tree).find("Vantor Security Client") != std::string::npos; },
        std::chrono::seconds(20)));
    const std::string second_pid = test::RunCapture(vantor + " >/dev/null 2>&1 & echo $!");
    EXPECT_TRUE(WaitFor(
        [&] {
            return test::RunCapture(tree).find("Program has been running!") != std::string::npos;
        },
        std::chrono::seconds(20)));
    for (const std::string& pid : {second_pid, first_pid}) {
        const pid_t p = static_cast<pid_t>(std::stol(pid));
        ::kill(p, SIGTERM);
        int status = 0;
        ::waitpid(p, &status, 0);
    }
    EXPECT_EQ(std::filesystem::last_write_time(home.File("camera.xml")), before);
}

}  // namespace
}  // namespace vantor::client
