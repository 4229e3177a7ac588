#ifndef THUMBNAIL_H
#define THUMBNAIL_H

#include <QByteArray>
#include <QImage>
#include <QSize>

// Decodes a stored picture at about the size it is shown: the JPEG reader
// scales while decoding, so a large stored picture costs little.
class Thumbnail
{
public:
    static constexpr int IconSize = 50;
    static constexpr int PictureSize = 150;

    // A null image for empty or undecodable bytes.
    static QImage decodeScaled(const QByteArray& bytes, const QSize& box, Qt::AspectRatioMode mode);
};

#endif // THUMBNAIL_H
