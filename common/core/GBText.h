#pragma once
#include <QByteArray>
#include <QString>

// Rules of the GB2312 text the database and the operators use. They convert through iconv;
// without its converters (a C library without gconv modules) every one of them raises an
// Exception rather than answer wrongly, and the program checks them at start-up.
namespace gb {

// Empty when the converters are there; else the text that says which one is missing.
QString missingConverters();
QString missingConverterText(const char* target);

// Bytes the text takes in the server's Chinese code page (Chinese 2, ASCII 1).
int byteLength(const QString& text);

// Whether the server's Chinese code page (CP936/GBK) holds every character.
bool representable(const QString& text);

// Removes the characters up to U+0020 at both ends; U+3000 stays, as on the GB2312 text.
QString trimmed(const QString& text);

// The bytes texts are ordered by (compared unsigned, a prefix first); convert once when
// sorting many.
QByteArray sortKey(const QString& text);

} // namespace gb
