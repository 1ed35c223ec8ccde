#include "platform/ui/JpegImage.h"

#include <turbojpeg.h>

QImage decodeJpeg(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    tjhandle handle = tjInitDecompress();
    if (!handle)
        return {};
    struct Release {
        tjhandle h;
        ~Release() { tjDestroy(h); }
    } release{handle};

    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, data, size, &width, &height, &subsampling, &colorspace) != 0
        || width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    if (tjDecompress2(handle, data, size, image.bits(), width, static_cast<int>(image.bytesPerLine()),
                      height, TJPF_RGB, TJFLAG_ACCURATEDCT)
        != 0)
        return {};
    return image;
}
