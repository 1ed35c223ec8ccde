#pragma once
#include <QByteArray>
#include <QImage>

// Decodes a JPEG picture with libjpeg-turbo. A null image when the bytes are
// not a JPEG the library can read.
QImage decodeJpeg(const QByteArray &bytes);
