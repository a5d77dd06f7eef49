#include "import/WorkScale.h"

#include <algorithm>

namespace deptrix {

WorkingSize ChooseWorkingSize(int sourceWidth, int sourceHeight) {
    WorkingSize size;
    const int longer = std::max(sourceWidth, sourceHeight);
    if (longer <= kMaxWorkingSide) {
        size.width = sourceWidth;
        size.height = sourceHeight;
        return size;
    }
    size.workScale = Round(static_cast<long double>(kMaxWorkingSide) / longer * 10000.0L);
    size.width = static_cast<int>(ToWorking(sourceWidth, size.workScale));
    size.height = static_cast<int>(ToWorking(sourceHeight, size.workScale));
    return size;
}

std::int64_t ToWorking(std::int64_t sourceCoordinate, Fixed workScale) {
    return Round(static_cast<long double>(sourceCoordinate) * static_cast<long double>(workScale) / 10000.0L);
}

WorkingBox ToWorkingBox(
    std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, Fixed workScale) {
    WorkingBox box;
    box.left = ToWorking(left, workScale);
    box.top = ToWorking(top, workScale);
    // A layer narrower than one working pixel would vanish; it keeps one pixel so that
    // its bitmap is never empty.
    box.width = static_cast<int>(std::max<std::int64_t>(1, ToWorking(right, workScale) - box.left));
    box.height = static_cast<int>(std::max<std::int64_t>(1, ToWorking(bottom, workScale) - box.top));
    return box;
}

} // namespace deptrix
