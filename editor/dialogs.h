#pragma once

#include <QString>

#include "services.h"

namespace dialogs {

// The caption of error boxes: the executable's name up to its first ".", all but its first character in lower case.
QString ApplicationTitle(const QString& executablePath);
QString ApplicationTitle();

// A failure's text as the error box shows it: a full stop is added unless the text ends in "." or a lower character.
QString WithFullStop(const QString& text);

// Message texts break lines with carriage returns; the screen wants line feeds.
QString ScreenLines(QString text);

// Modal, one OK button that Enter and Esc press, centred on the screen.
void ShowMessage(const QString& text, level::DialogType type);
void ShowError(const QString& text);

}  // namespace dialogs
