#include "print/ViewRows.h"

#include "core/Error.h"

namespace deptrix {

BitmapViews::BitmapViews(std::vector<const Bitmap*> frames)
    : m_frames(std::move(frames)) {
    if (m_frames.empty()) throw Error("the views are not built: run Preview first");
    for (const Bitmap* frame : m_frames) {
        if (!frame || frame->empty() || frame->format() == PixelFormat::Gray8)
            throw Error("the views are not built: run Preview first");
        if (frame->width() != m_frames[0]->width() || frame->height() != m_frames[0]->height()
            || frame->format() != m_frames[0]->format())
            throw Error("the views differ in size or format: run Preview again");
    }
}

BitmapViews::BitmapViews(const std::array<const Bitmap*, 7>& views)
    : BitmapViews(std::vector<const Bitmap*>(views.begin(), views.end())) { }

int BitmapViews::width() const {
    return m_frames[0]->width();
}

int BitmapViews::height() const {
    return m_frames[0]->height();
}

PixelFormat BitmapViews::format() const {
    return m_frames[0]->format();
}

void BitmapViews::readRows(int y0, int count, const ViewRowConsumer& take) {
    const auto frames = static_cast<int>(m_frames.size());
    for (int y = y0; y < y0 + count; ++y)
        for (int f = 0; f < frames; ++f) take(f, y, m_frames[static_cast<std::size_t>(f)]->row(y));
}

std::unique_ptr<ViewRows> BitmapViews::openAnother() const {
    // Reading leaves the pictures as they are.
    return std::make_unique<BitmapViews>(m_frames);
}

} // namespace deptrix
