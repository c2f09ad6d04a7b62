#pragma once
#include <QChar>
#include <QString>

// Captions mark their keyboard accelerator with "&" before the letter; "&&" stands for a
// literal "&".

// The accelerator letter of a caption, upper-cased; a null QChar when there is none.
QChar acceleratorChar(const QString& caption);

// A caption as it reads: without its accelerator mark, "&&" as one "&".
QString captionText(const QString& caption);
