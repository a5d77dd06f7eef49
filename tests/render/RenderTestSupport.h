#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Error.h"
#include "core/Progress.h"

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace deptrix::test {

inline Bitmap Solid(int width, int height, PixelFormat format, std::uint8_t value) {
    Bitmap picture(width, height, format);
    picture.fill(value);
    return picture;
}

inline Bitmap Noise(int width, int height, PixelFormat format, std::mt19937& random) {
    Bitmap picture(width, height, format);
    const int bytes = width * picture.bytesPerPixel();
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < bytes; ++i) picture.row(y)[i] = static_cast<std::uint8_t>(random());
    return picture;
}

/// An imported-looking document of `imageMode` (3 RGB, 4 CMYK) with no layers yet.
inline Document EmptyDocument(int imageMode, int width, int height) {
    Document doc;
    doc.ImageMode = static_cast<std::int16_t>(imageMode);
    doc.ImageWidth = width;
    doc.ImageHeight = height;
    doc.DocumentLoaded = true;
    return doc;
}

/// Appends a layer at (left, top) source px; ViewLeft starts at Left as after import.
inline void AddLayer(Document& doc, int left, int top, Bitmap picture, Bitmap mask, std::uint8_t group = 0) {
    LayerRecord layer;
    layer.Left = left;
    layer.Top = top;
    layer.Width = picture.width();
    layer.Height = picture.height();
    layer.Group = group;
    layer.Depth = kFixedOne;
    doc.Layers.push_back(layer);
    doc.LayerBitmaps.push_back(std::move(picture));
    doc.LayerMasks.push_back(std::move(mask));
    doc.ViewLeft.push_back(left);
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
}

/// A folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path()
            / ("deptrix-render-test-" + std::to_string(std::random_device {}()) + "-"
                + std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The message of the Error `action` throws, "convert: " first for a ConvertError.
template <typename Action> std::string ErrorText(Action action) {
    try {
        action();
    } catch (const ConvertError& e) {
        return "convert: " + std::string(e.what());
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

class RecordingProgress final : public Progress {
public:
    void setPosition(int percent) override { positions.push_back(percent); }
    std::vector<int> positions;
};

} // namespace deptrix::test
