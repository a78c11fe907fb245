#include "CSetSplitViewDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

#include "ClientMessages.h"
#include "LanguageTables.h"
#include "PostMessage.h"

namespace vantor::client {

namespace {
constexpr int kTemplateId = 141;
}

const std::array<CSetSplitViewDlg::Choice, CSetSplitViewDlg::kChoiceCount>&
CSetSplitViewDlg::Choices() {
    static const std::array<Choice, kChoiceCount> choices{{
        {1007, "1 画面", 1},
        {1046, "4 画面", 4},
        {1016, "9 画面", 9},
        {1018, "16 画面", 16},
        {1047, "25 画面", 25},
        {1011, "36 画面", 36},
        {1017, "49 画面", 49},
        {1019, "64 画面", 64},
        {1008, "全屏", 0},
    }};
    return choices;
}

CSetSplitViewDlg::CSetSplitViewDlg(QWidget* parent, QObject* owner)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), owner_(owner) {
    setObjectName(QString::number(kTemplateId));
    const int rows = (kChoiceCount + kColumns - 1) / kColumns;
    for (int k = 0; k < kChoiceCount; ++k) {
        const Choice& c = Choices()[k];
        auto* button = new QPushButton(QString::fromUtf8(c.label), this);
        button->setObjectName(QString::number(c.id));
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(kGapPx + (k % kColumns) * (kButtonWidthPx + kGapPx),
                            kGapPx + (k / kColumns) * (kButtonHeightPx + kGapPx), kButtonWidthPx,
                            kButtonHeightPx);
        const int count = c.pane_count;
        QObject::connect(button, &QPushButton::clicked, this, [this, count] { Choose(count); });
    }
    setFixedSize(kGapPx + kColumns * (kButtonWidthPx + kGapPx),
                 kGapPx + rows * (kButtonHeightPx + kGapPx));
}

void CSetSplitViewDlg::LoadTexts(const LanguageTables& lang) {
    for (int k = 0; k < kChoiceCount; ++k) {
        const Choice& c = Choices()[k];
        const std::string_view text = lang.Text(LangTag::DevSplit, k);
        auto* button = findChild<QPushButton*>(QString::number(c.id));
        if (button != nullptr && !text.empty()) {
            button->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        }
    }
}

void CSetSplitViewDlg::LoadSkin(const QString& skin_folder) {
    const QString normal = QDir(skin_folder).filePath("devmessage_condition_s2.bmp");
    const QString active = QDir(skin_folder).filePath("devmessage_condition_s3.bmp");
    // A missing image leaves its states without a picture, as every skinned control does.
    QString sheet = "QPushButton { border: none; padding: 0; }";
    if (QFileInfo::exists(normal)) {
        sheet += QString("QPushButton { border-image: url(\"%1\"); }").arg(normal);
    }
    if (QFileInfo::exists(active)) {
        sheet += QString("QPushButton:hover, QPushButton:pressed { border-image: url(\"%1\"); }")
                     .arg(active);
    }
    setStyleSheet(sheet);
}

void CSetSplitViewDlg::Choose(int pane_count) {
    PostMessage(owner_.data(), kMsgSetSplit, static_cast<uintptr_t>(pane_count), 0);
    // Closing is itself a request, handled after the click has finished.
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

bool CSetSplitViewDlg::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate && isVisible()) {
        hide();
    }
    return QDialog::event(e);
}

}  // namespace vantor::client
