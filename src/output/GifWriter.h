#pragma once

#include "output/IndexedFrame.h"

#include <cstdint>
#include <memory>
#include <vector>

struct GifFileType;

namespace deptrix {

/// A GIF89a file built in memory with giflib: a logical screen without a global
/// colour table, then extensions and images in the order they are added. Every
/// giflib failure becomes an Error.
class GifWriter {
public:
    /// Throws Error when a side is outside 1..65535.
    GifWriter(int width, int height);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    /// The "NETSCAPE2.0" application extension; 0 loops means forever.
    void addLoopExtension(int loopCount);

    /// A graphic control extension with the delay in hundredths of a second and every
    /// flag clear: no transparent colour, no disposal method, no user input.
    void addGraphicControl(int delay);

    /// The compressed pixels of an image as written: its data sub-blocks.
    struct EncodedPixels {
        std::vector<std::uint8_t> blocks;
    };

    /// An image covering the whole screen with its own 256-entry colour table; returns
    /// its compressed pixels for repeatImage.
    EncodedPixels addImage(const IndexedFrame& frame);

    /// The same image once more, byte for byte, without compressing it again: `frame`
    /// must be the frame that addImage returned `pixels` for.
    void repeatImage(const IndexedFrame& frame, const EncodedPixels& pixels);

    /// Ends the file; the writer takes nothing more afterwards.
    std::vector<std::uint8_t> finish();

private:
    struct Closer {
        void operator()(GifFileType* gif) const;
    };

    static int Append(GifFileType* gif, const std::uint8_t* data, int length);
    void describeImage(const IndexedFrame& frame);
    /// The open file; throws once finish() has closed it.
    GifFileType* file(const char* step);
    void check(int result, const char* step);

    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_bytes;
    std::unique_ptr<GifFileType, Closer> m_gif;
};

} // namespace deptrix
