#pragma once

#include <QLabel>

#include <functional>

// The status bar's text label: sizes itself to its text and reports a left click made on it.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* parent);

    void SetCaption(const QString& text);
    void SetTextColour(const QColor& colour);

    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
