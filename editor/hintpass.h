#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;
class TStage;

// Follows the pointer for the window's status bar: the hint of the control under it, and the
// pointer's entry into and departure from the link label. It runs whenever the event loop goes
// idle and right after mouse events, and reports only changes.
class THintPass : public QObject {
    Q_OBJECT

public:
    // The dynamic property that carries a widget's hint.
    static constexpr const char* kHintProperty = "hint";

    THintPass(QWidget& window, TStage& stage, QWidget& label);
    ~THintPass() override;

    // Runs the pass as soon as the events now waiting are handled.
    void Schedule();

signals:
    void HintChanged(const QString& hint);
    void LabelEntered();
    void LabelLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run();
    // The hint at a screen position, and the widget of the window there (none if blocked or elsewhere).
    QString HintAt(QPoint globalPosition, QWidget** widget) const;

    QWidget& window_;
    TStage& stage_;
    QWidget& label_;
    QTimer timer_;
    QString current_;
    bool overLabel_ = false;
};
