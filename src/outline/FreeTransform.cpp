#include "outline/FreeTransform.h"

#include "outline/LineSetOps.h"
#include "outline/SelectionBox.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace deptrix {

namespace {

std::int32_t Clamp32(long double v) {
    constexpr long double lo = std::numeric_limits<std::int32_t>::min();
    constexpr long double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(v, lo, hi));
}

Fixed Factor(std::int64_t pointer, std::int64_t press, std::int64_t centre) {
    return Round(
        static_cast<long double>(pointer - centre) / static_cast<long double>(press - centre) * 10000.0L);
}

} // namespace

TransformStep TransformFor(
    int handle, LinePoint centre, LinePoint press, LinePoint pointer, bool keepProportions) {
    TransformStep step;
    step.cx = centre.x;
    step.cy = centre.y;
    const bool xLevel = press.x == centre.x;
    const bool yLevel = press.y == centre.y;
    switch (handle) {
    case kHandleInside:
        step.kind = TransformStep::Kind::Move;
        step.dx = static_cast<std::int64_t>(pointer.x) - press.x;
        step.dy = static_cast<std::int64_t>(pointer.y) - press.y;
        return step;
    case kHandleTop:
    case kHandleBottom:
        if (yLevel) return step;
        step.kind = TransformStep::Kind::Scale;
        step.sy = Factor(pointer.y, press.y, centre.y);
        return step;
    case kHandleRight:
    case kHandleLeft:
        if (xLevel) return step;
        step.kind = TransformStep::Kind::Scale;
        step.sx = Factor(pointer.x, press.x, centre.x);
        return step;
    case kHandleTopLeft:
    case kHandleTopRight:
    case kHandleBottomRight:
    case kHandleBottomLeft:
        if (xLevel || yLevel) return step;
        step.kind = TransformStep::Kind::Scale;
        step.sx = Factor(pointer.x, press.x, centre.x);
        step.sy = Factor(pointer.y, press.y, centre.y);
        if (keepProportions) {
            const Fixed larger = std::max(step.sx < 0 ? -step.sx : step.sx, step.sy < 0 ? -step.sy : step.sy);
            step.sx = step.sx < 0 ? -larger : larger;
            step.sy = step.sy < 0 ? -larger : larger;
        }
        return step;
    default:
        return step;
    }
}

LinePoint TransformPoint(const TransformStep& step, LinePoint p) {
    switch (step.kind) {
    case TransformStep::Kind::Keep:
        return p;
    case TransformStep::Kind::Move:
        return { Clamp32(static_cast<long double>(p.x + step.dx)),
            Clamp32(static_cast<long double>(p.y + step.dy)) };
    case TransformStep::Kind::Scale: {
        const long double x = static_cast<long double>(step.cx)
            + static_cast<long double>(Round(static_cast<long double>(p.x - step.cx) * step.sx / 10000.0L));
        const long double y = static_cast<long double>(step.cy)
            + static_cast<long double>(Round(static_cast<long double>(p.y - step.cy) * step.sy / 10000.0L));
        return { Clamp32(x), Clamp32(y) };
    }
    }
    return p;
}

void TransformLines(
    const LineSet& stored, std::span<const LineRef> refs, const TransformStep& step, OrderLines& copies) {
    copies.resize(refs.size());
    for (size_t i = 0; i < refs.size(); ++i) {
        const Line* line = FindLine(stored, refs[i]);
        Line& copy = copies[i];
        if (!line) {
            copy.clear();
            continue;
        }
        copy.resize(line->size());
        for (size_t j = 0; j < line->size(); ++j) copy[j] = TransformPoint(step, (*line)[j]);
    }
}

} // namespace deptrix
