#pragma once

#include <QImage>
#include <QWidget>

// A small picture control that answers a double-click with the left button.
class TIcon : public QWidget {
    Q_OBJECT

public:
    TIcon(const QImage& picture, QWidget* parent);

signals:
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};
