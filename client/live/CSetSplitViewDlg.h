// The split chooser: a small popup of nine skinned buttons, one per pane count (1, 4, ... 64)
// and one for full screen. A button posts UM_SETSPLIT with its count (0 for full screen) to the
// owner and closes the popup; the popup also hides whenever it loses activation.
//
// Thread: user-interface thread. The owner must outlive the popup or be cleared with
// SetOwner(nullptr); posts to a missing owner are dropped.
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>

namespace vantor::client {

class LanguageTables;

class CSetSplitViewDlg : public QDialog {
  public:
    struct Choice {
        int id;             // control identifier
        const char* label;  // template label, kept when the language has no text
        int pane_count;     // posted as wParam; 0 = full screen
    };
    static constexpr int kChoiceCount = 9;
    static const std::array<Choice, kChoiceCount>& Choices();

    static constexpr int kButtonWidthPx = 96;
    static constexpr int kButtonHeightPx = 30;
    static constexpr int kColumns = 3;
    static constexpr int kGapPx = 6;

    CSetSplitViewDlg(QWidget* parent, QObject* owner);

    void SetOwner(QObject* owner) { owner_ = owner; }
    // Button captions: DevSplit entries 0..8 in the order of Choices().
    void LoadTexts(const LanguageTables& lang);
    // Skinned look from "devmessage_condition_s2.bmp" (normal) and "_s3.bmp" (over, pressed).
    void LoadSkin(const QString& skin_folder);

  protected:
    bool event(QEvent* e) override;

  private:
    void Choose(int pane_count);

    QPointer<QObject> owner_;
};

}  // namespace vantor::client
