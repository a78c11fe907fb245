// The pane grid, its panes, full screen and the split chooser as real native windows on the
// test's own Xvfb.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <memory>

#include "CPlayerContainer.h"
#include "CPlayerFullScreenContainer.h"
#include "CSetSplitViewDlg.h"
#include "CVideoWnd.h"
#include "ClientMessages.h"
#include "DropDeviceOnPane.h"
#include "LiveFakes.h"
#include "MessageSink.h"

namespace vantor::client::test {
namespace {

constexpr int kWaitMs = 5000;

// A 400 x 300 grid in a top-level window at a known place on the screen.
class LiveGrid : public ::testing::Test {
  protected:
    void SetUp() override {
        top_ = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        top_->setGeometry(100, 100, 400, 300);
        grid_ = new CPlayerContainer(top_.get());
        grid_->setGeometry(0, 0, 400, 300);
        CPlayerBase::SetMainWindow(&main_sink_);
    }
    void TearDown() override {
        if (auto* host = CPlayerFullScreenContainer::Instance()) {
            CPlayerFullScreenContainer::LeaveFullScreen(host->Hosted());
        }
        top_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CPlayerBase::SetMainWindow(nullptr);
    }
    void ShowGrid(int panes) {
        ASSERT_EQ(grid_->SetPaneCount(panes, true), 1);
        top_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(top_.get(), kWaitMs));
    }
    QImage Grab(const QRect& screen_rect) {
        QApplication::processEvents();
        QApplication::sync();
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, screen_rect.x(), screen_rect.y(), screen_rect.width(),
                         screen_rect.height())
            .toImage();
    }

    // Devices outlive the grid: declared first, destroyed last.
    FakeDevice dev_a_, dev_b_, dev_c_;
    MessageSink main_sink_, owner_sink_;
    std::unique_ptr<QWidget> top_;
    CPlayerContainer* grid_ = nullptr;
};

TEST_F(LiveGrid, ShrinkStopsAndHidesGrowAddsEmptyPanes) {
    ShowGrid(16);
    ASSERT_EQ(dev_a_.StartVideo(grid_->Pane(0), 0, 0), 1);
    ASSERT_EQ(dev_b_.StartVideo(grid_->Pane(5), 0, 0), 1);
    ASSERT_EQ(dev_c_.StartVideo(grid_->Pane(15), 0, 0), 1);
    std::vector<QPointer<CPlayerBase>> old;
    for (int k = 0; k < 16; ++k) {
        old.emplace_back(grid_->Pane(k));
    }

    ASSERT_EQ(grid_->SetPaneCount(4, false), 1);
    EXPECT_TRUE(dev_a_.stops.empty());
    EXPECT_EQ(dev_b_.stops.size(), 1u);
    EXPECT_EQ(dev_c_.stops.size(), 1u);
    EXPECT_EQ(grid_->Pane(4), nullptr);
    const QRect cells[4] = {
        {2, 2, 197, 147}, {201, 2, 197, 147}, {2, 151, 197, 147}, {201, 151, 197, 147}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(grid_->Pane(k), old[k].data());
        EXPECT_EQ(grid_->Pane(k)->geometry(), cells[k]) << k;
        EXPECT_TRUE(grid_->Pane(k)->isVisible());
    }
    for (int k = 4; k < 16; ++k) {
        ASSERT_FALSE(old[k].isNull()) << "kept without destroy-surplus";
        EXPECT_FALSE(old[k]->isVisible()) << k;
    }

    ASSERT_EQ(grid_->SetPaneCount(16, false), 1);
    for (int k = 4; k < 16; ++k) {
        CPlayerBase* pane = grid_->Pane(k);
        ASSERT_NE(pane, nullptr);
        EXPECT_NE(pane, old[k].data()) << "a new pane";
        EXPECT_TRUE(pane->isVisible());
        EXPECT_FALSE(pane->IsPlaying());
        EXPECT_EQ(pane->objectName().toInt(), 1001 + k);
        EXPECT_FALSE(old[k]->isVisible());
    }
    EXPECT_TRUE(grid_->Pane(0)->IsPlaying());

    // With destroy-surplus the panes past the count go away.
    std::vector<QPointer<CPlayerBase>> grown;
    for (int k = 4; k < 16; ++k) {
        grown.emplace_back(grid_->Pane(k));
    }
    ASSERT_EQ(grid_->SetPaneCount(4, true), 1);
    for (const auto& pane : grown) {
        EXPECT_TRUE(pane.isNull());
    }
    EXPECT_EQ(grid_->pane_count(), 4);
}

TEST_F(LiveGrid, DestroySurplusAndSelectionFollowsTheCount) {
    ShowGrid(9);
    QPointer<CPlayerBase> seventh = grid_->Pane(7);
    CPlayerBase::SetSelected(seventh);
    ASSERT_EQ(dev_a_.StartVideo(seventh, 0, 0), 1);
    ASSERT_EQ(grid_->SetPaneCount(4, true), 1);
    EXPECT_TRUE(seventh.isNull());
    EXPECT_EQ(dev_a_.stops.size(), 1u);
    EXPECT_EQ(CPlayerBase::Selected(), grid_->Pane(3)) << "min(selected, count - 1)";
    delete grid_->Pane(3);
    EXPECT_EQ(CPlayerBase::Selected(), nullptr) << "a destroyed pane clears the selection";
    // Five panes: the fifth is created but has no cell.
    ASSERT_EQ(grid_->SetPaneCount(5, false), 1);
    ASSERT_NE(grid_->Pane(4), nullptr);
    EXPECT_EQ(grid_->Pane(3)->geometry(), QRect(201, 151, 197, 147)) << "recreated";
    EXPECT_TRUE(grid_->Pane(4)->geometry().isEmpty());
}

// A pane whose native window can be torn down while the object lives.
class DestroyablePane : public CVideoWnd {
  public:
    using CVideoWnd::CVideoWnd;
    void DropNativeWindow() { destroy(); }
};

TEST_F(LiveGrid, RefusesWhileTheSelectedPanesWindowIsGone) {
    grid_->SetPaneFactory([](QWidget* parent) { return new DestroyablePane(parent); });
    ShowGrid(4);
    auto* pane = dynamic_cast<DestroyablePane*>(grid_->Pane(2));
    ASSERT_NE(pane, nullptr);
    CPlayerBase::SetSelected(pane);
    pane->DropNativeWindow();
    EXPECT_EQ(grid_->SetPaneCount(9, false), 0);
    EXPECT_EQ(grid_->pane_count(), 4);
    EXPECT_EQ(grid_->Pane(4), nullptr);
    // Once something else is selected, the layout goes on and replaces the broken pane.
    CPlayerBase::SetSelected(grid_->Pane(0));
    QPointer<CPlayerBase> broken = pane;
    EXPECT_EQ(grid_->SetPaneCount(4, false), 1);
    EXPECT_TRUE(broken.isNull());
    ASSERT_NE(grid_->Pane(2), nullptr);
    EXPECT_NE(grid_->Pane(2)->winId(), 0u);
}

TEST_F(LiveGrid, ClicksSelectAndToggleThePanel) {
    ShowGrid(4);
    dev_a_.owner = &owner_sink_;
    ASSERT_EQ(dev_a_.StartVideo(grid_->Pane(1), 0, 0), 1);
    CPlayerBase* idle = grid_->Pane(2);
    CPlayerBase* bound = grid_->Pane(1);

    QTest::mouseClick(idle, Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_EQ(CPlayerBase::Selected(), idle);
    auto got = main_sink_.Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, kMsgHideControlPanel);
    EXPECT_EQ(got[0].wparam, 0u);
    EXPECT_EQ(got[0].lparam, 0);
    EXPECT_TRUE(owner_sink_.Drain().empty()) << "an unbound pane asks for no panel";

    const unsigned expect[] = {kMsgHideControlPanel, kMsgShowControlPanel, kMsgHideControlPanel,
                               kMsgShowControlPanel};
    for (int click = 0; click < 4; ++click) {
        QTest::mouseClick(bound, Qt::LeftButton, {}, QPoint(30, 70));
        EXPECT_EQ(CPlayerBase::Selected(), bound);
        EXPECT_EQ(main_sink_.Drain().size(), click == 0 ? 1u : 0u) << click;
        got = owner_sink_.Drain();
        ASSERT_EQ(got.size(), 1u) << click;
        EXPECT_EQ(got[0].msg, expect[click]) << click;
        EXPECT_EQ(got[0].wparam, reinterpret_cast<uintptr_t>(dev_a_.anchor));
        EXPECT_EQ(got[0].lparam, reinterpret_cast<intptr_t>(static_cast<CCDevInfo*>(&dev_a_)));
    }
    const QPoint screen = bound->mapToGlobal(QPoint(30, 70));
    EXPECT_EQ(dev_a_.anchor[0], screen.x());
    EXPECT_EQ(dev_a_.anchor[1], screen.y() - 50);
}

TEST_F(LiveGrid, DoubleClickMaximisesAndRestores) {
    ShowGrid(4);
    dev_a_.owner = &owner_sink_;
    ASSERT_EQ(dev_a_.StartVideo(grid_->Pane(2), 0, 0), 1);
    CPlayerBase* pane = grid_->Pane(2);
    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(grid_->maximised_index(), 2);
    EXPECT_EQ(pane->geometry(), QRect(2, 2, 396, 296));
    EXPECT_EQ(CPlayerBase::Selected(), pane);
    for (int k : {0, 1, 3}) {
        EXPECT_FALSE(grid_->Pane(k)->isVisible()) << k;
    }
    const auto got = owner_sink_.Drain();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().msg, kMsgHideControlPanel) << "the panel ends up hidden";
    EXPECT_EQ(dev_a_.anchor[0], 0);

    // Maximised, a resize keeps the one pane over the grid.
    grid_->resize(300, 200);
    EXPECT_EQ(pane->geometry(), QRect(2, 2, 296, 196));
    grid_->resize(400, 300);

    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(grid_->maximised_index(), -1);
    EXPECT_EQ(grid_->pane_count(), 4);
    EXPECT_EQ(pane->geometry(), QRect(2, 151, 197, 147));
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(grid_->Pane(k)->isVisible()) << k;
    }
    EXPECT_EQ(grid_->TogglePaneMaximize(4), 0);
    EXPECT_EQ(grid_->TogglePaneMaximize(-1), 0);

    // A new split while maximised replaces the maximised pane for good.
    ASSERT_EQ(grid_->TogglePaneMaximize(1), 1);
    ASSERT_EQ(grid_->SetPaneCount(4, false), 1);
    grid_->resize(398, 300);
    EXPECT_EQ(grid_->maximised_index(), -1);
    EXPECT_TRUE(grid_->Pane(0)->isVisible());
}

TEST_F(LiveGrid, FullScreenEnterAndLeave) {
    ShowGrid(4);
    CPlayerBase* pane = grid_->Pane(1);
    const WId window = pane->winId();
    const QRect before = pane->geometry();
    CPlayerBase::SetSelected(pane);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();

    for (int way = 0; way < 3; ++way) {
        grid_->ShowSelectedFullScreen();
        CPlayerFullScreenContainer* host = CPlayerFullScreenContainer::Instance();
        ASSERT_NE(host, nullptr) << way;
        EXPECT_EQ(host->Hosted(), pane);
        EXPECT_EQ(pane->parentWidget(), host);
        EXPECT_EQ(pane->geometry(), QRect(QPoint(0, 0), screen));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host, kWaitMs));
        EXPECT_EQ(pane->winId(), window) << "the player keeps drawing into the same window";
        QPointer<CPlayerFullScreenContainer> watch = host;
        switch (way) {
            case 0:
                QTest::keyClick(host, Qt::Key_Escape);
                break;
            case 1:
                QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
                break;
            default:
                grid_->ShowSelectedFullScreen();  // a second request leaves
                break;
        }
        EXPECT_EQ(CPlayerFullScreenContainer::Instance(), nullptr) << way;
        EXPECT_EQ(pane->parentWidget(), grid_);
        EXPECT_EQ(pane->geometry(), before);
        EXPECT_TRUE(pane->isVisible());
        EXPECT_EQ(pane->winId(), window);
        EXPECT_EQ(grid_->maximised_index(), -1) << "leaving full screen is not a maximise";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watch.isNull()) << "the host deletes itself";
    }

    // The grid resized while the pane was away: the pane comes back into its new cell.
    grid_->ShowSelectedFullScreen();
    grid_->resize(300, 200);
    ASSERT_NE(CPlayerFullScreenContainer::Instance(), nullptr);
    CPlayerFullScreenContainer::LeaveFullScreen(pane);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return pane->geometry() == QRect(151, 2, 147, 97); }, kWaitMs))
        << pane->geometry().x() << "," << pane->geometry().y() << " " << pane->geometry().width()
        << "x" << pane->geometry().height();
}

TEST_F(LiveGrid, DropsFindTheIdleVisiblePaneUnderThePoint) {
    ShowGrid(4);
    const QPoint in_pane3 = grid_->Pane(3)->mapToGlobal(QPoint(20, 20));
    EXPECT_TRUE(DropDeviceOnPane(*grid_, dev_a_, in_pane3, &owner_sink_));
    EXPECT_TRUE(grid_->Pane(3)->IsPlaying());
    EXPECT_EQ(dev_a_.owner, &owner_sink_);
    EXPECT_FALSE(DropDeviceOnPane(*grid_, dev_b_, in_pane3, &owner_sink_)) << "pane plays";
    EXPECT_FALSE(
        DropDeviceOnPane(*grid_, dev_b_, grid_->mapToGlobal(QPoint(200, 20)), &owner_sink_))
        << "a border between panes";
    EXPECT_EQ(grid_->FirstFreePane(), grid_->Pane(0));

    // Maximised, the hidden panes below the point take no drop.
    ASSERT_EQ(grid_->TogglePaneMaximize(1), 1);
    const QPoint over_pane0 = grid_->mapToGlobal(QPoint(20, 20));
    EXPECT_TRUE(DropDeviceOnPane(*grid_, dev_b_, over_pane0, &owner_sink_));
    ASSERT_EQ(dev_b_.starts.size(), 1u);
    EXPECT_EQ(dev_b_.starts.back().pane, grid_->Pane(1));
}

TEST_F(LiveGrid, PaintsBordersSelectionAndRecordingIndicator) {
    ShowGrid(4);
    CPlayerBase::SetSelected(grid_->Pane(1));
    for (int k = 0; k < 4; ++k) {
        grid_->Pane(k)->SetBackgroundColour(0x3366CC);
        grid_->Pane(k)->ClearBackground();
    }
    grid_->RepaintAll();
    const QColor face = QApplication::palette().color(QPalette::Button);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage img = Grab(QRect(100, 100, 400, 300));
            return img.pixelColor(202, 0) == QColor(255, 255, 0) && img.pixelColor(0, 0) == face &&
                   img.pixelColor(300, 50) == QColor(0x3366CC);
        },
        kWaitMs))
        << "yellow frame around pane 1, button face elsewhere, the pane in its colour";

    // 16:9: black margins, face-coloured bars, red ". REC" above a recording pane.
    grid_->SetVideoMode(1);
    dev_a_.owner = &owner_sink_;
    ASSERT_EQ(dev_a_.StartVideo(grid_->Pane(0), 0, 0), 1);
    grid_->Pane(0)->SetRecordingIndicator(1);
    ASSERT_EQ(grid_->Pane(0)->RecordingText(), ". REC");
    ASSERT_EQ(grid_->SetPaneCount(4, false), 1);
    EXPECT_EQ(grid_->Pane(0)->geometry(), QRect(2, 2 + 18, 197, 110));
    auto red_in_band = [&] {
        const QImage img = Grab(QRect(100, 100, 400, 300));
        bool red = false;
        for (int y = 2; y < 20; ++y) {
            for (int x = 2; x < 199; ++x) {
                const QColor c = img.pixelColor(x, y);
                red |= c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        }
        return red && img.pixelColor(100, 10) != face && img.pixelColor(0, 50) == face;
    };
    EXPECT_TRUE(QTest::qWaitFor(red_in_band, kWaitMs));
    // Off line, the indicator goes away.
    dev_a_.SetOnline(false);
    EXPECT_EQ(grid_->Pane(0)->RecordingText(), "");
    grid_->update();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !red_in_band(); }, kWaitMs));
}

TEST(LiveSplitChooser, ButtonsPostTheirCountAndClose) {
    MessageSink owner;
    CSetSplitViewDlg dlg(nullptr, &owner);
    const struct {
        const char* id;
        uintptr_t count;
    } table[] = {{"1007", 1},  {"1046", 4},  {"1016", 9},  {"1018", 16}, {"1047", 25},
                 {"1011", 36}, {"1017", 49}, {"1019", 64}, {"1008", 0}};
    for (const auto& row : table) {
        dlg.show();
        auto* button = dlg.findChild<QAbstractButton*>(row.id);
        ASSERT_NE(button, nullptr) << row.id;
        QTest::mouseClick(button, Qt::LeftButton);
        const auto got = owner.Drain();
        ASSERT_EQ(got.size(), 1u) << row.id;
        EXPECT_EQ(got[0].msg, kMsgSetSplit);
        EXPECT_EQ(got[0].wparam, row.count);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, kWaitMs)) << row.id;
    }
}

}  // namespace
}  // namespace vantor::client::test
