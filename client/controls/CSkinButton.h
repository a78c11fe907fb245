// A button drawn from skin bitmaps: normal, mouse-over, pressed and disabled images, with an
// optional caption under the image. A missing image draws nothing for its state.
//
// Thread: user-interface thread. The objectName is the control's numeric identifier.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QString>

namespace vantor::client {

enum class SkinFamily {
    LayoutMain,    // _s1 normal, _s3 over, _s2 pressed, _s3 disabled
    LayoutHeader,  // _s1 normal, _s2 over, _s3 pressed, _s1 disabled
    TitleBar,      // _s3 normal, _s1 over, _s2 pressed, _s3 disabled
    DialogClose,   // _s3 normal, _s2 over, _s1 pressed, _s3 disabled
    DeviceRow,     // _default normal, _mo over, _click pressed, _default disabled
};

class CSkinButton : public QAbstractButton {
  public:
    CSkinButton(int id, QWidget* parent);

    // Loads the four state images of a stem from the skin folder.
    void LoadSkin(const QString& skin_folder, const QString& stem, SkinFamily family);
    void SetImages(const QPixmap& normal, const QPixmap& over, const QPixmap& pressed,
                   const QPixmap& disabled);
    void SetCaptionBelow(bool below) { caption_below_ = below; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QPixmap images_[4];
    bool hover_ = false;
    bool caption_below_ = false;
};

}  // namespace vantor::client
