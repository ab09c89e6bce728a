#include "tapplication.h"

#include <exception>

#include "dialogs.h"

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // The handlers guard themselves; this is the last line of defence for the rest.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        dialogs::ShowError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
