#pragma once

#include <QString>
#include <QWidget>

// The status bar along the bottom of the window: four panels with lowered bevels, text in the first.
class TStatusBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPanelWidths[] = {290, 24, 24, 50};  // the last reaches the right end
    static constexpr int kHeight = 21;

    explicit TStatusBar(QWidget* parent);

    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    // The panel's rectangle in the bar's coordinates.
    QRect PanelRect(int panel) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString texts_[4];
};
