#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace deptrix {

/// Storage for the planes of effects. While a PlaneStore is in use on the thread,
/// storage let go is kept in it for the next planes rather than handed back: the
/// effects of one layer make several planes of its size, and memory fresh from the
/// system costs about as much again as drawing into it.
void* AllocatePlaneBytes(std::size_t bytes);
void ReleasePlaneBytes(void* storage);

/// Plane storage kept for reuse, freed with the store. Work that draws the effects
/// of many layers on several threads shares one between them: a block let go by one
/// layer serves the next wherever it is drawn, so the threads do not each fault in
/// memory of their own as the layers grow.
class PlaneStore {
public:
    /// Keeps enough blocks for the planes of `layersAtOnce` layers drawn at the same time.
    explicit PlaneStore(int layersAtOnce = 1)
        : m_keptBlocks(kBlocksPerLayer * static_cast<std::size_t>(std::max(layersAtOnce, 1))) { }
    ~PlaneStore();
    PlaneStore(const PlaneStore&) = delete;
    PlaneStore& operator=(const PlaneStore&) = delete;

    /// Makes `store` the calling thread's store until it ends, then restores the one before.
    class Use {
    public:
        explicit Use(PlaneStore& store);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        PlaneStore* m_before;
    };

private:
    friend void* AllocatePlaneBytes(std::size_t bytes);
    friend void ReleasePlaneBytes(void* storage);
    /// The planes one layer's effects hold at once.
    static constexpr std::size_t kBlocksPerLayer = 6;
    std::mutex m_mutex;
    std::size_t m_keptBlocks;
    std::vector<std::pair<std::byte*, std::size_t>> m_blocks; ///< block and its size in bytes
};

/// Plane storage whose values are left unset where a plane is written in full before
/// it is read: filling a picture the size of a layer costs as much as drawing it.
template <class T> struct UnsetAllocator {
    using value_type = T;
    UnsetAllocator() = default;
    template <class U> UnsetAllocator(const UnsetAllocator<U>&) { }
    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocatePlaneBytes(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t) { ReleasePlaneBytes(p); }
    template <class U, class... Args> void construct(U* at, Args&&... args) {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(at)) U;
        else
            ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
    template <class U> bool operator==(const UnsetAllocator<U>&) const { return true; }
};

/// Asks for a plane whose values are all written before any is read.
struct UnsetValues { };

/// A picture of one real value per pixel, 0..1 for the mattes effects are made of.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float, UnsetAllocator<float>> values;

    Plane() = default;
    Plane(int w, int h, float fill = 0.0f)
        : width(w)
        , height(h)
        , values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) { }
    Plane(int w, int h, UnsetValues)
        : width(w)
        , height(h)
        , values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) { }
    // Copied as a block: the allocator's own construction would go value by value.
    Plane(const Plane& other)
        : width(other.width)
        , height(other.height)
        , values(other.values.size()) {
        std::copy(other.values.begin(), other.values.end(), values.begin());
    }
    Plane& operator=(const Plane& other) {
        if (this != &other) *this = Plane(other);
        return *this;
    }
    Plane(Plane&&) noexcept = default;
    Plane& operator=(Plane&&) noexcept = default;
    ~Plane() = default;

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
/// The nearest pixel that is not wholly transparent (value above 0). Pixels farther
/// than `within` from every such pixel may get a very large distance and the value 0
/// instead (a short reach is found much faster).
NearestSeed NearestCovered(const Plane& shape, double within = HUGE_VAL);
/// The nearest pixel that is not wholly opaque (value below 1); `within` as above.
NearestSeed NearestUncovered(const Plane& shape, double within = HUGE_VAL);

/// A stroke of `width` pixels outside the shape: per pixel, width - the distance to
/// the nearest pixel that shows at all + that pixel's value, within 0..1 (from
/// NearestCovered(shape, width + 1), without planes for the distance and value).
Plane OuterStrokeCover(const Plane& shape, double width);
/// Inside: width - the distance to the nearest pixel not wholly opaque + 1 - its
/// value, within 0..1 (from NearestUncovered(shape, width + 1)).
Plane InnerStrokeCover(const Plane& shape, double width);

/// `plane` grown outward by `pixels` (its edge moved out, soft edges kept):
/// max(value, coverage of the grown edge).
Plane GrownPlane(const Plane& plane, double pixels);

/// `plane` moved by (dx, dy) pixels, sampled bilinearly; what comes in from beyond
/// the edges is `outside`.
Plane ShiftedPlane(Plane plane, double dx, double dy, float outside = 0.0f);

} // namespace deptrix
