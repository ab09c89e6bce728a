#include "tapplication.h"

#include <exception>

#include "unit1.h"

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // The handlers guard themselves; this is the last line of defence for the rest.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        TForm1::ShowFailure(e.what());
    }
    return false;
}
