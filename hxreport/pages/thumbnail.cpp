#include "thumbnail.h"

#include <QBuffer>
#include <QImageReader>

QImage Thumbnail::decodeScaled(const QByteArray& bytes, const QSize& box, Qt::AspectRatioMode mode)
{
    if (bytes.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty())
        reader.setScaledSize(full.scaled(box, mode).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    return image.scaled(image.size().scaled(box, mode).expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
        Qt::FastTransformation);
}
