#pragma once
#include <QChar>
#include <QString>

// Captions mark their keyboard accelerator with "&" before the letter; "&&" stands for a
// literal "&".

// The accelerator letter of a caption, upper-cased; a null QChar when there is none.
QChar acceleratorChar(const QString& caption);

// The caption as it reads on screen: marks removed, "&&" shown as "&".
QString withoutAccelerator(const QString& caption);
