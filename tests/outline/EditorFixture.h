#pragma once

#include "OutlineTestSupport.h"
#include "outline/LineSetOps.h"
#include "outline/OutlineEditor.h"

#include <gtest/gtest.h>

namespace deptrix::test {

/// An editor over a two-layer document whose Composite is a 320 x 240 picture shown
/// in a control of the same size, so client and working pixels coincide and the mark
/// unit is 2 (bands and markers reach 4 pixels, point-map segments 5).
class EditorFixture : public ::testing::Test {
protected:
    Document doc;
    OutlineEditor editor { doc };

    EditorFixture() {
        doc.LayerCount = 2;
        doc.Layers.resize(2);
        doc.ImageWidth = 320;
        doc.ImageHeight = 240;
        doc.Composite = SolidRgb(320, 240, 200, 100, 60);
    }

    void open(int layer = 0) { editor.open(layer, 320, 240); }

    /// Opens layer 0 with `lines` stored for it.
    void openWith(const LineSet& lines) {
        doc.LayerLines.assign(2, LineSet {});
        doc.LayerLines[0] = lines;
        open(0);
    }

    static PointerInput At(int x, int y, MouseButton button = MouseButton::Left, bool shift = false) {
        return { x, y, button, shift };
    }
    void click(int x, int y, MouseButton button = MouseButton::Left, bool shift = false) {
        editor.move(At(x, y, button, shift));
        editor.press(At(x, y, button, shift));
        editor.release(At(x, y, button, shift));
    }
    /// Press at `from`, a few moves on the way, release at `to`.
    void drag(LinePoint from, LinePoint to, bool shift = false) {
        editor.move(At(from.x, from.y));
        editor.press(At(from.x, from.y, MouseButton::Left, shift));
        for (int step = 1; step <= 3; ++step)
            editor.move(At(from.x + (to.x - from.x) * step / 3, from.y + (to.y - from.y) * step / 3,
                MouseButton::Left, shift));
        editor.release(At(to.x, to.y, MouseButton::Left, shift));
    }
    const OrderLines& order(int index) const { return doc.EditLines[static_cast<size_t>(index)]; }
};

} // namespace deptrix::test
