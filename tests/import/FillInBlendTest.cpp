// The fill opacity of the modes that take it inside the blend stays out of the mask
// and reaches the compositor.

#include "TestPsd.h"
#include "core/Document.h"
#include "import/DefaultOffsets.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <gtest/gtest.h>

namespace deptrix::test {

TEST(FillInBlend, SpecialModesKeepTheirFillOutOfTheMask) {
    // Grey 100 under a white layer at 20 % fill: in Linear Light the fill weakens the
    // blend (100 + 0.2 x 255 = 151), in Screen it fades the layer like opacity
    // (Round(100 x 0.8 + 255 x 0.2) = 131). Both at half opacity, which fades either.
    for (const auto& [key, fillInMask, shown] : { std::tuple { BlendKey { 'l', 'L', 'i', 't' }, false, 126 },
             std::tuple { BlendKey { 's', 'c', 'r', 'n' }, true, 116 } }) {
        PsdWriter writer(RgbOptions(1, 1));
        writer.addLayer(SolidLayer("grey", { 0, 0, 1, 1 }, { 100, 100, 100 }));
        PsdLayerSpec light = SolidLayer("light", { 0, 0, 1, 1 }, { 255, 255, 255 });
        light.blendMode = key;
        light.fillOpacity = 51;
        light.opacity = 128;
        writer.addLayer(light);
        Document doc;
        Import(writer.finish()).moveInto(doc);
        EXPECT_EQ(doc.LayerMasks[1].row(0)[0], fillInMask ? 26 : 128);
        EXPECT_EQ(doc.Layers[1].blendFill(), fillInMask ? 255 : 51);
        ApplyImportDefaults(doc);
        BuildGroupFrames(doc);
        NullProgress progress;
        CompositePass(doc, {}, progress);
        EXPECT_EQ(Rgb(doc.Composite, 0, 0)[0], shown) << BlendModeName(doc.Layers[1].blendMode());
    }
}

} // namespace deptrix::test
