#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace deptrix {

/// Receives one row of one frame: frame index 0..N-1, row y, the row's pixels.
using ViewRowConsumer = std::function<void(int frame, int y, const std::uint8_t* row)>;

/// The frames of a print (the seven views, or any other number of frames), row by
/// row, top to bottom. The interlacer asks for bands of rows in increasing order and
/// keeps only what it needs, so a source may build each band on demand instead of
/// holding whole frames.
class ViewRows {
public:
    virtual ~ViewRows() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    /// Bgr24 for RGB documents, Cmyk32 (bytes stored as 255 - ink) for CMYK ones.
    virtual PixelFormat format() const = 0;
    /// How many frames every row has.
    virtual int frames() const { return kViewCount; }
    /// How many rows a band should hold to keep the source's buffers small.
    virtual int bandRows() const { return 32; }
    /// Calls `take` for every frame and every row y0 .. y0 + count - 1.
    virtual void readRows(int y0, int count, const ViewRowConsumer& take) = 0;
    /// Another reader of the same frames with buffers of its own, which another thread
    /// may use while this one reads; nullptr when the frames have only the one reader.
    virtual std::unique_ptr<ViewRows> openAnother() const { return nullptr; }
};

/// Frames held whole in memory: pictures of one size and format.
class BitmapViews final : public ViewRows {
public:
    /// Throws Error when the pictures differ in size or format or are not colour pictures.
    explicit BitmapViews(std::vector<const Bitmap*> frames);
    explicit BitmapViews(const std::array<const Bitmap*, 7>& views);

    int width() const override;
    int height() const override;
    PixelFormat format() const override;
    int frames() const override { return static_cast<int>(m_frames.size()); }
    void readRows(int y0, int count, const ViewRowConsumer& take) override;
    std::unique_ptr<ViewRows> openAnother() const override;

private:
    std::vector<const Bitmap*> m_frames;
};

} // namespace deptrix
