#include "CCMessageBox.h"

#include <QMessageBox>

namespace vantor::client {

bool CCMessageBox::Show(QWidget* parent, const QString& text, bool with_cancel) {
    QMessageBox box(parent);
    box.setObjectName("CCMessageBox");
    box.setWindowTitle(parent ? parent->windowTitle() : QString());
    box.setText(text);
    box.setStandardButtons(with_cancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace vantor::client
