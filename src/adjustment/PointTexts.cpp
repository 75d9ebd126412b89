#include "PointTexts.h"

#include "Text.h"

#include <algorithm>
#include <limits>

TPointTexts PointTexts(const SensorPointTable& points)
{
    TPointTexts texts;
    for (int k = 0; k < SensorPointCount; ++k)
        texts[k] = FormatInt(points[k], PointFieldWidth);
    return texts;
}

SensorPointTable PointsFromTexts(const TPointTexts& texts)
{
    SensorPointTable points{};
    for (int k = 0; k < SensorPointCount; ++k)
        points[k] = static_cast<int>(std::clamp<std::int64_t>(ReadInt(texts[k]), std::numeric_limits<int>::min(),
                                                              std::numeric_limits<int>::max()));
    return points;
}
