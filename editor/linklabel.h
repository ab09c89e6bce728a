#pragma once

#include <QLabel>

// The status bar's text label: sizes itself to its text and reports a left click made on it.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* parent);

    void SetCaption(const QString& text);
    void SetTextColour(const QColor& colour);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
