#include "render/GroupFrames.h"

#include "render/FrameSet.h"

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

    // The views are the frame set of seven.
    const FrameSet views(kViewCount);
    for (int g = 0; g < groups; ++g) {
        const auto& members = doc.GroupMembers[static_cast<std::size_t>(g)];
        auto& frames = doc.GroupFrames[static_cast<std::size_t>(g)];
        for (int q = 0; q < kViewCount; ++q) {
            const int member = views.member(static_cast<int>(members.size()), q);
            if (member >= 0) frames[static_cast<std::size_t>(q)] = members[static_cast<std::size_t>(member)];
        }
    }
}

} // namespace deptrix
