#pragma once
#include <QByteArray>
#include <QImage>

// Decodes a JPEG held in memory with libjpeg. A stream libjpeg cannot read, or one whose
// header claims an absurd size, gives a null image; nothing is thrown.
QImage decodeJpeg(const QByteArray& data);

// Larger pictures are refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 8192;
