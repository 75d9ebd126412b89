#include "Calibration.h"

#include <algorithm>
#include <cmath>

std::int64_t RoundAboveHalf(double x)
{
    // Far beyond any word: keep the conversion defined.
    x = std::clamp(x, -1e15, 1e15);
    const double whole = std::trunc(x);
    std::int64_t n = static_cast<std::int64_t>(whole);
    if (x - whole > 0.5)
        ++n;
    return n;
}

std::optional<TCalibration> ComputeCalibration(std::int32_t a1, std::int32_t a2, std::int32_t r1, std::int32_t r2)
{
    if (a1 == a2)
        return std::nullopt;
    const double k = static_cast<double>(static_cast<std::int64_t>(r1) - r2) /
                     static_cast<double>(static_cast<std::int64_t>(a1) - a2) * 8.0;
    const std::int64_t low = RoundAboveHalf(a2 / 8.0 * k);
    const std::int64_t high = RoundAboveHalf((AdcFullScale8 - a1) / 8.0 * k);
    const std::int64_t zero = r2 - low;
    const std::int64_t supply = r1 + high;
    return TCalibration{static_cast<std::int32_t>(std::clamp<std::int64_t>(zero, 0, WordMax)),
                        static_cast<std::int32_t>(std::clamp<std::int64_t>(supply, 0, SupplyCeiling))};
}
