#include "CPlayerContainer.h"

#include <QApplication>
#include <QChildEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "CPlayerBase.h"
#include "CPlayerFullScreenContainer.h"
#include "CVideoWnd.h"
#include "PaneLayout.h"

namespace vantor::client {

namespace {

QRect ToQRect(const PaneRect& r) {
    return {r.x, r.y, r.w, r.h};
}

PaneRect ToPaneRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

constexpr int kFontWeight = 300;
constexpr int kFallbackFontPx = 12;
constexpr int kTextLeftPx = 5;

}  // namespace

CPlayerContainer::CPlayerContainer(QWidget* parent)
    : QWidget(parent), factory_([](QWidget* p) { return new CVideoWnd(p); }) {
    setCursor(Qt::ArrowCursor);
}

CPlayerContainer::~CPlayerContainer() {
    // A pane held full screen is not our child at the moment; take it back so that it goes
    // with the grid rather than outliving it in the host.
    if (CPlayerFullScreenContainer* host = CPlayerFullScreenContainer::Instance()) {
        if (auto* hosted = dynamic_cast<CPlayerBase*>(host->Hosted()); IsOwnPane(hosted)) {
            CPlayerFullScreenContainer::LeaveFullScreen(hosted);
        }
    }
}

void CPlayerContainer::SetPaneFactory(PaneFactory factory) {
    if (factory) {
        factory_ = std::move(factory);
    }
}

bool CPlayerContainer::IsOwnPane(const CPlayerBase* pane) const {
    return pane != nullptr && std::any_of(panes_.begin(), panes_.end(),
                                          [pane](const auto& p) { return p.data() == pane; });
}

CPlayerBase* CPlayerContainer::Pane(int index) const {
    return index >= 0 && index < static_cast<int>(panes_.size()) ? panes_[index].data() : nullptr;
}

int CPlayerContainer::OffsetOf(int index) const {
    return index >= 0 && index < static_cast<int>(offsets_px_.size()) ? offsets_px_[index] : 0;
}

int CPlayerContainer::SetPaneCount(int count, bool destroy_surplus) {
    CPlayerBase* selected = CPlayerBase::Selected();
    if (selected != nullptr && selected->WindowGone()) {
        return 0;
    }
    const int remembered = selected != nullptr ? std::max(0, selected->Index()) : 0;
    count = std::clamp(count, 0, PaneLayout::kMaxPaneCount);

    setUpdatesEnabled(false);
    pane_count_ = count;
    // A new split replaces a maximised pane; otherwise the next resize would maximise again.
    maximised_index_ = -1;
    for (size_t k = static_cast<size_t>(count); k < panes_.size(); ++k) {
        CPlayerBase* pane = panes_[k];
        if (pane == nullptr) {
            continue;
        }
        pane->hide();
        pane->StopPaneVideo();
        if (destroy_surplus) {
            delete pane;
        }
    }
    panes_.resize(static_cast<size_t>(count), nullptr);
    offsets_px_.resize(static_cast<size_t>(count), 0);
    for (int k = 0; k < count; ++k) {
        if (!panes_[k].isNull() && !panes_[k]->WindowGone()) {
            continue;
        }
        delete panes_[k].data();
        CPlayerBase* pane = factory_(this);
        pane->setObjectName(QString::number(CPlayerBase::kFirstPaneId + k));
        pane->SetGrid(this);
        pane->SetBackgroundColour(pane_background_);
        pane->setGeometry(0, 0, 0, 0);
        panes_[k] = pane;
        pane->show();
    }
    LayoutPanes();
    setUpdatesEnabled(true);
    RepaintAll();
    CPlayerBase::SetSelected(count > 0 ? panes_[std::min(remembered, count - 1)].data() : nullptr);
    return 1;
}

void CPlayerContainer::LayoutPanes() {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    const std::vector<PaneRect> rects =
        PaneLayout::PaneRects(pane_count_, width(), height(), kBorderPx);
    for (int k = 0; k < pane_count_; ++k) {
        CPlayerBase* pane = panes_[k];
        if (pane == nullptr || pane->parentWidget() != this) {
            continue;  // held full screen: placed again when it comes back
        }
        if (k >= static_cast<int>(rects.size())) {
            // Counts such as 5 or 7 leave panes without a cell; an unplaced pane would only
            // show as a stray frame at the corner.
            pane->hide();
            continue;
        }
        const PanePlacement place = PaneLayout::Place(rects[k], video_mode_);
        if (video_mode_ == PaneLayout::kVideoMode16x9) {
            letterbox_offset_px_ = place.letterbox_offset_px;
        }
        offsets_px_[k] = place.letterbox_offset_px;
        pane->setGeometry(ToQRect(place.rect));
        pane->show();
    }
}

int CPlayerContainer::TogglePaneMaximize(int index) {
    if (index < 0 || index >= pane_count_) {
        return 0;
    }
    setUpdatesEnabled(false);
    if (index == maximised_index_) {
        SetPaneCount(pane_count_, false);  // clears the maximised index
    } else {
        maximised_index_ = index;
        MaximizePane(index);
    }
    setUpdatesEnabled(true);
    update();
    return 1;
}

void CPlayerContainer::MaximizePane(int index) {
    if (pane_count_ <= 0) {
        return;
    }
    index = std::clamp(index, 0, pane_count_ - 1);
    CPlayerBase* pane = panes_[index];
    if (pane == nullptr) {
        return;
    }
    CPlayerBase::SetSelected(pane);
    for (int k = 0; k < pane_count_; ++k) {
        if (k != index && panes_[k] != nullptr) {
            panes_[k]->hide();
        }
    }
    const std::vector<PaneRect> one = PaneLayout::PaneRects(1, width(), height(), kBorderPx);
    if (!one.empty() && pane->parentWidget() == this) {
        const PanePlacement place = PaneLayout::Place(one[0], video_mode_);
        if (video_mode_ == PaneLayout::kVideoMode16x9) {
            letterbox_offset_px_ = place.letterbox_offset_px;
        }
        offsets_px_[index] = place.letterbox_offset_px;
        pane->setGeometry(ToQRect(place.rect));
    }
    pane->show();
    update();
}

void CPlayerContainer::Relayout() {
    if (pane_count_ <= 0) {
        return;
    }
    if (maximised_index_ >= 0) {
        MaximizePane(maximised_index_);
    } else {
        SetPaneCount(pane_count_, false);
    }
}

CPlayerBase* CPlayerContainer::PaneAtPoint(QPoint screen_point) const {
    std::vector<PaneHitCandidate> candidates;
    candidates.reserve(panes_.size());
    for (size_t k = 0; k < panes_.size(); ++k) {
        const CPlayerBase* pane = panes_[k];
        if (pane == nullptr) {
            candidates.push_back({{}, 0, false, false});
            continue;
        }
        const QRect r(pane->mapToGlobal(QPoint(0, 0)), pane->size());
        candidates.push_back(
            {ToPaneRect(r), OffsetOf(static_cast<int>(k)), pane->isVisible(), pane->IsPlaying()});
    }
    const int hit =
        PaneLayout::PaneAtPoint(candidates, screen_point.x(), screen_point.y(), video_mode_);
    return hit >= 0 ? panes_[hit].data() : nullptr;
}

CPlayerBase* CPlayerContainer::FirstFreePane() const {
    for (CPlayerBase* pane : panes_) {
        if (pane != nullptr && !pane->IsPlaying()) {
            return pane;
        }
    }
    return nullptr;
}

CVideoPane* CPlayerContainer::PaneAt(QPoint screen_point) {
    return PaneAtPoint(screen_point);
}

CVideoPane* CPlayerContainer::FirstFree() {
    return FirstFreePane();
}

void CPlayerContainer::ShowSelectedFullScreen() {
    CPlayerFullScreenContainer* host = CPlayerFullScreenContainer::Instance();
    if (host != nullptr && host->Hosted() == this) {
        return;
    }
    if (CPlayerBase* selected = CPlayerBase::Selected()) {
        CPlayerFullScreenContainer::EnterFullScreen(selected);
        RepaintAll();
    }
}

void CPlayerContainer::RepaintAll() {
    for (CPlayerBase* pane : panes_) {
        if (pane != nullptr && pane->isVisible()) {
            pane->update();
        }
    }
    update();
}

bool CPlayerContainer::event(QEvent* e) {
    // A pane handed back from full screen returns to the rectangle it had when it left; the
    // grid may have been resized or re-split since.
    if (e->type() == QEvent::ChildAdded && !relayout_queued_) {
        auto* pane = dynamic_cast<CPlayerBase*>(static_cast<QChildEvent*>(e)->child());
        if (IsOwnPane(pane)) {
            relayout_queued_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    relayout_queued_ = false;
                    Relayout();
                },
                Qt::QueuedConnection);
        }
    }
    return QWidget::event(e);
}

void CPlayerContainer::resizeEvent(QResizeEvent*) {
    if (pane_count_ == 0) {
        return;
    }
    if (size() == last_size_) {
        update();
    } else {
        Relayout();
    }
    last_size_ = size();
}

void CPlayerContainer::PaintBars(QPainter& p, const CPlayerBase* pane, int offset,
                                 const QColor& c) const {
    for (const PaneRect& bar : PaneLayout::Bars(ToPaneRect(pane->geometry()), offset, kBorderPx)) {
        p.fillRect(ToQRect(bar), c);
    }
}

void CPlayerContainer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor face = QApplication::palette().color(QPalette::Button);
    const bool letterbox = video_mode_ == PaneLayout::kVideoMode16x9;
    if (letterbox) {
        p.fillRect(rect(), QColor(grid_background_));
        if (!font_made_) {
            font_made_ = true;
            font_.setFamily("Microsoft YaHei");
            font_.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
            font_.setPixelSize(letterbox_offset_px_ > 0 ? letterbox_offset_px_ : kFallbackFontPx);
            font_.setWeight(static_cast<QFont::Weight>(kFontWeight));
        }
        p.setFont(font_);
        p.setPen(QColor(255, 0, 0));
        p.setBackgroundMode(Qt::TransparentMode);
        for (int k = 0; k < pane_count_; ++k) {
            const CPlayerBase* pane = panes_[k];
            if (pane == nullptr || !pane->isVisible() || pane->parentWidget() != this) {
                continue;
            }
            const int o = OffsetOf(k);
            PaintBars(p, pane, o, face);
            const std::string text = pane->RecordingText();
            if (!text.empty()) {
                const QString t = QString::fromStdString(text);
                const QRect g = pane->geometry().adjusted(-kBorderPx, -kBorderPx, 0, 0);
                const int tw = p.fontMetrics().horizontalAdvance(t);
                p.drawText(
                    QPoint(g.x() + kTextLeftPx + tw / 4, g.y() - o + p.fontMetrics().ascent()), t);
            }
        }
    } else {
        p.fillRect(rect(), face);
    }
    const CPlayerBase* selected = CPlayerBase::Selected();
    if (selected != nullptr && selected->isVisible() && selected->parentWidget() == this) {
        PaintBars(p, selected, letterbox ? OffsetOf(selected->Index()) : 0,
                  QColor(kSelectionColour));
    }
}

}  // namespace vantor::client
