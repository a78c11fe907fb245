#include "DialogStyle.h"

namespace vantor::client {

QString DialogStyle::Sheet() {
    return QStringLiteral(
        "QLineEdit { border: 1px solid #DDE2E8; border-radius: 4px; padding: 6px 8px;"
        "  background: white; color: #343E4A; font-size: 13px; }"
        "QLineEdit:focus { border-color: #2F6FD6; }"
        "QCheckBox { color: #5A6573; font-size: 12px; }"
        "QLabel { color: #343E4A; }");
}

}  // namespace vantor::client
