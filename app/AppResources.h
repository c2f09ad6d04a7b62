#pragma once
#include <QByteArray>
#include <QIcon>

// What the program carries inside itself.
QByteArray builtInBannerJpeg();
QIcon builtInIcon();
