#include "dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "screencentrer.h"

namespace dialogs {
namespace {

void Run(QMessageBox& box) {
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.adjustSize();
    new TScreenCentrer(box);
    box.exec();
}

}  // namespace

QString ApplicationTitle(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf('.');
    if (dot >= 0) name.truncate(dot);
    if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ApplicationTitle() {
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    return ApplicationTitle(path);
}

QString WithFullStop(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.') return text + '.';
    return text;
}

QString ScreenLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    return text;
}

void ShowMessage(const QString& text, level::DialogType type) {
    const bool confirm = type == level::DialogType::Confirmation;
    QMessageBox box(confirm ? QMessageBox::Question : QMessageBox::Information, confirm ? "Confirm" : "Information",
                    ScreenLines(text), QMessageBox::NoButton);
    Run(box);
}

void ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), WithFullStop(text), QMessageBox::NoButton);
    Run(box);
}

}  // namespace dialogs
