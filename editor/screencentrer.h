#pragma once

#include <QObject>

class QWidget;

// Centres a top-level window, frame included, on the available area of its screen: when it is
// shown, and once more when the window manager has framed it. Lives as a child of the window.
class TScreenCentrer : public QObject {
public:
    explicit TScreenCentrer(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True once the frame was known, so that the window now stands where it belongs.
    bool Centre();

    QWidget& window_;
};
