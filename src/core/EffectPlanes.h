#pragma once

#include <cstddef>
#include <vector>

namespace deptrix {

/// A picture of one real value per pixel, 0..1 for the mattes effects are made of.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Plane() = default;
    Plane(int w, int h, float fill = 0.0f)
        : width(w)
        , height(h)
        , values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) { }

    float* row(int y) {
        return values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    const float* row(int y) const {
        return values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    float at(int x, int y) const { return row(y)[x]; }
};

/// Softens `plane` in place as the effects' "size" does: three passes of a box filter
/// each way, together close to a Gaussian. The boxes' radius, 0.4 x size, is what
/// brings shadows, glows, satin and bevels closest to the editor's own pictures.
/// Pixels beyond the plane count as 0. Sizes below a tenth of a pixel do nothing.
void SoftenPlane(Plane& plane, double size);

/// How far SoftenPlane(size) carries a value, in whole pixels.
int SoftenReach(double size);

/// Per pixel, the distance in pixels from its centre to the centre of the nearest
/// pixel where `inside(value)` holds (0 there); very large where none does.
Plane DistanceToInside(const Plane& shape);
/// The same to the nearest pixel outside the shape (value below one half).
Plane DistanceToOutside(const Plane& shape);

/// Per pixel, the distance from its centre to the centre of the nearest pixel where
/// `seed(value)` holds (very large where none does), and that pixel's value.
struct NearestSeed {
    Plane distance;
    Plane value;
};
/// The nearest pixel that is not wholly transparent (value above 0).
NearestSeed NearestCovered(const Plane& shape);
/// The nearest pixel that is not wholly opaque (value below 1).
NearestSeed NearestUncovered(const Plane& shape);

/// `plane` grown outward by `pixels` (its edge moved out, soft edges kept):
/// max(value, coverage of the grown edge).
Plane GrownPlane(const Plane& plane, double pixels);

/// `plane` moved by (dx, dy) pixels, sampled bilinearly; what comes in from beyond
/// the edges is `outside`.
Plane ShiftedPlane(const Plane& plane, double dx, double dy, float outside = 0.0f);

} // namespace deptrix
