#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

// Counts the paint events a widget gets, so that a benchmark can wait until a change is on screen.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count_;
        return false;
    }

private:
    int count_ = 0;
};
