#include "statusbar.h"

#include <QPainter>

namespace {
constexpr int kPanelCount = 4;
constexpr int kPanelGap = 2;
constexpr int kTopMargin = 2;
constexpr int kTextIndent = 2;
}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

QRect TStatusBar::PanelRect(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) left += kPanelWidths[i] + kPanelGap;
    const int right = panel == kPanelCount - 1 ? width() : left + kPanelWidths[panel];
    return QRect(left, kTopMargin, right - left, height() - kTopMargin);
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= kPanelCount || texts_[panel] == text) return;
    texts_[panel] = text;
    update(PanelRect(panel));
}

QString TStatusBar::PanelText(int panel) const {
    return panel >= 0 && panel < kPanelCount ? texts_[panel] : QString();
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    for (int i = 0; i < kPanelCount; ++i) {
        const QRect r = PanelRect(i);
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(colours.color(QPalette::Light));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        if (texts_[i].isEmpty()) continue;
        painter.setPen(colours.color(QPalette::WindowText));
        const QRect textRect = r.adjusted(kTextIndent, 1, -kTextIndent, -1);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, texts_[i]);
    }
}
