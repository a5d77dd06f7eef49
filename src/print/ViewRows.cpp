#include "print/ViewRows.h"

#include "core/Error.h"

namespace deptrix {

BitmapViews::BitmapViews(const std::array<const Bitmap*, 7>& views)
    : m_views(views) {
    for (const Bitmap* view : views) {
        if (!view || view->empty() || view->format() == PixelFormat::Gray8)
            throw Error("the views are not built: run Preview first");
        if (view->width() != views[0]->width() || view->height() != views[0]->height()
            || view->format() != views[0]->format())
            throw Error("the views differ in size or format: run Preview again");
    }
}

int BitmapViews::width() const {
    return m_views[0]->width();
}

int BitmapViews::height() const {
    return m_views[0]->height();
}

PixelFormat BitmapViews::format() const {
    return m_views[0]->format();
}

void BitmapViews::readRows(int y0, int count, const ViewRowConsumer& take) {
    for (int y = y0; y < y0 + count; ++y)
        for (int v = 0; v < 7; ++v) take(v, y, m_views[static_cast<std::size_t>(v)]->row(y));
}

} // namespace deptrix
