#include "GraphImage.h"

#include <cstring>

QImage GraphImage(const GraphPicture& picture)
{
    QImage image(GraphWidth, GraphHeight, QImage::Format_RGB32);
    for (int y = 0; y < GraphHeight; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + y * GraphWidth, GraphWidth * sizeof(std::uint32_t));
    return image;
}
