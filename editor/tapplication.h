#pragma once

#include <QApplication>

// The application object: a failure that escapes an event handler is reported and the program goes on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};
