#include "TestPsd.h"

namespace deptrix::test {

PsdPlane Flat(std::int64_t count, std::uint16_t value) {
    return PsdPlane(static_cast<std::size_t>(count), value);
}

PsdLayerSpec SolidLayer(const std::string& name, PsdRect box, std::array<std::uint16_t, 3> rgb,
    std::optional<std::uint16_t> alpha) {
    PsdLayerSpec layer;
    layer.name = name;
    layer.box = box;
    const std::int64_t count = box.width() * box.height();
    for (std::uint16_t v : rgb) layer.colour.push_back(Flat(count, v));
    if (alpha) layer.transparency = Flat(count, *alpha);
    return layer;
}

ImportedDocument Import(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    NullProgress progress;
    return ImportPsd(bytes, name, nullptr, progress);
}

std::array<int, 3> Rgb(const Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.row(y) + 3 * x;
    return { p[2], p[1], p[0] };
}

PsdWriterOptions RgbOptions(int width, int height) {
    PsdWriterOptions options;
    options.width = width;
    options.height = height;
    return options;
}

} // namespace deptrix::test
