#include "render/GroupFrames.h"

#include <algorithm>

namespace deptrix {

void BuildGroupFrames(Document& doc) {
    doc.GroupMembers.clear();
    doc.GroupFrames.clear();

    const std::size_t layers = std::min({ static_cast<std::size_t>(doc.LayerCount), doc.Layers.size(),
        static_cast<std::size_t>(kMaxLayers) });
    int groups = 0;
    for (std::size_t i = 0; i < layers; ++i) {
        const std::uint8_t code = doc.Layers[i].Group;
        if (code != kGroupOutlineBuilt) groups = std::max<int>(groups, code);
    }
    doc.GroupMembers.resize(static_cast<std::size_t>(groups));
    doc.GroupFrames.assign(static_cast<std::size_t>(groups), {});

    for (std::size_t i = 0; i < layers; ++i) {
        const std::uint8_t code = doc.Layers[i].Group;
        // A clipped layer is shown with its base, not as a frame of its own.
        const std::int32_t base = doc.Layers[i].ClipBase;
        const bool clipped = base >= 0 && static_cast<std::size_t>(base) < i;
        if (code != kGroupNone && code != kGroupOutlineBuilt && !clipped)
            doc.GroupMembers[code - 1u].push_back(static_cast<std::uint8_t>(i));
    }

    for (int g = 0; g < groups; ++g) {
        const auto& members = doc.GroupMembers[static_cast<std::size_t>(g)];
        const std::int64_t n = static_cast<std::int64_t>(members.size());
        const std::int64_t step = Round(static_cast<long double>(n) / 7.0L * 10000.0L);
        auto& frames = doc.GroupFrames[static_cast<std::size_t>(g)];
        for (int q = 0; q < kViewCount; ++q) {
            const std::int64_t position = (q + 1) * step;
            if (position <= 0) continue;
            // At most Trunc((10000n - 996.5) / 10000) = n - 1: always a member.
            const std::int64_t member = Trunc(static_cast<long double>(position - 1000) / 10000.0L);
            frames[static_cast<std::size_t>(q)]
                = members[static_cast<std::size_t>(std::clamp<std::int64_t>(member, 0, n - 1))];
        }
    }
}

} // namespace deptrix
