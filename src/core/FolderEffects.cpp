#include "core/FolderEffects.h"

#include "core/BmpCodec.h"
#include "core/EffectStacks.h"
#include "core/Error.h"
#include "core/WorkFiles.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace deptrix {

namespace {

/// Farthest a folder's effects may push its bottom layer's box, in source pixels.
constexpr std::int64_t kMostReach = std::int64_t { 1 } << 24;

std::uint8_t ToByte(float v) {
    return static_cast<std::uint8_t>(
        static_cast<int>(static_cast<double>(std::clamp(v, 0.0f, 1.0f)) * 255.0 + 0.5));
}

/// Writes premultiplied `colour` of opacity `alpha`, faded by `fade`: the colour bytes at
/// `d` (white where nothing shows) and the opacity into `mask`.
void WriteMixed(
    const float* colour, float alpha, float fade, int channels, std::uint8_t* d, std::uint8_t& mask) {
    mask = ToByte(alpha * fade);
    if (alpha <= 0) {
        std::fill(d, d + channels, std::uint8_t { 255 });
        return;
    }
    if (channels == 3) {
        d[0] = ToByte(colour[2] / alpha);
        d[1] = ToByte(colour[1] / alpha);
        d[2] = ToByte(colour[0] / alpha);
    } else {
        for (int c = 0; c < 4; ++c) d[c] = ToByte(colour[c] / alpha);
    }
}

/// `picture` moved into a picture of width x height whose corner lies at (dx, dy) in
/// it, `empty` around it.
Bitmap Replaced(
    const Bitmap& picture, std::int64_t dx, std::int64_t dy, int width, int height, std::uint8_t empty) {
    Bitmap out(width, height, picture.format(), UnfilledPixels {});
    out.fill(empty);
    const int bpp = picture.bytesPerPixel();
    const std::int64_t x0 = std::max<std::int64_t>(0, -dx);
    const std::int64_t x1 = std::min<std::int64_t>(picture.width(), width - dx);
    if (x1 <= x0) return out;
    for (int y = 0; y < picture.height(); ++y) {
        const std::int64_t to = y + dy;
        if (to < 0 || to >= height) continue;
        std::memcpy(out.row(static_cast<int>(to)) + (x0 + dx) * bpp, picture.row(y) + x0 * bpp,
            static_cast<std::size_t>((x1 - x0) * bpp));
    }
    return out;
}

/// Grows the box of the set's bottom layer so that it holds every member and the
/// folder's effects around them, keeping it the stored box grown alike on every side.
void GrowBottom(const FolderEffectSet& set, LayerRecordList& layers, std::vector<PlacedPicture>& pictures,
    BitmapList* clipShapes, const FolderDrawing& how) {
    const std::size_t b = set.members.front();
    LayerRecord& bottom = layers[b];
    std::int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, lowest = INT64_MIN;
    for (const std::size_t m : set.members) {
        left = std::min<std::int64_t>(left, layers[m].Left);
        top = std::min<std::int64_t>(top, layers[m].Top);
        right = std::max<std::int64_t>(right, layers[m].Right);
        lowest = std::max<std::int64_t>(lowest, layers[m].Bottom);
    }
    const std::int64_t reach = EffectReach(*set.style, how.reachScale);
    const std::int64_t was = bottom.EffectReach;
    const std::int64_t storedLeft = std::int64_t { bottom.Left } + was;
    const std::int64_t storedTop = std::int64_t { bottom.Top } + was;
    const std::int64_t storedRight = std::int64_t { bottom.Right } - was;
    const std::int64_t storedBottom = std::int64_t { bottom.Bottom } - was;
    const std::int64_t grown = std::max({ was, storedLeft - (left - reach), storedTop - (top - reach),
        right + reach - storedRight, lowest + reach - storedBottom });
    if (grown > kMostReach)
        throw Error("the effects of folder " + set.name + " reach too far around its layers");
    bottom.EffectReach = static_cast<std::int32_t>(grown);
    bottom.Left = static_cast<std::int32_t>(storedLeft - grown);
    bottom.Top = static_cast<std::int32_t>(storedTop - grown);
    bottom.Right = static_cast<std::int32_t>(storedRight + grown);
    bottom.Bottom = static_cast<std::int32_t>(storedBottom + grown);
    bottom.Width = bottom.Right - bottom.Left;
    bottom.Height = bottom.Bottom - bottom.Top;

    const DrawnBox box = how.drawnBox(bottom.Left, bottom.Top, bottom.Right, bottom.Bottom);
    PlacedPicture& picture = pictures[b];
    if (box.left == picture.left && box.top == picture.top && box.width == picture.colour.width()
        && box.height == picture.colour.height())
        return;
    CheckedImageBytes(box.width, box.height, 4 * 4, "folder effects");
    const std::int64_t dx = picture.left - box.left;
    const std::int64_t dy = picture.top - box.top;
    picture.colour = Replaced(picture.colour, dx, dy, box.width, box.height, 255);
    picture.mask = Replaced(picture.mask, dx, dy, box.width, box.height, 0);
    picture.left = box.left;
    picture.top = box.top;
    if (clipShapes && b < clipShapes->size() && !(*clipShapes)[b].empty())
        (*clipShapes)[b] = Replaced((*clipShapes)[b], dx, dy, box.width, box.height, 0);
}

/// The opacity of the folder's merged picture over `area`: its layers laid over each
/// other, the clipped ones within their base. The effects take their shape from it;
/// what they draw within it is worked out over each layer's own colour.
Bitmap MergedShape(const FolderEffectSet& set, const LayerRecordList& layers,
    const std::vector<PlacedPicture>& pictures, const DrawnBox& area) {
    Bitmap shape(area.width, area.height, PixelFormat::Gray8, UnfilledPixels {});
    std::vector<float> row(static_cast<std::size_t>(area.width));
    const auto valueAt = [&](const PlacedPicture& p, std::int64_t x, std::int64_t y) -> float {
        const std::int64_t px = x + area.left - p.left;
        const std::int64_t py = y + area.top - p.top;
        if (px < 0 || py < 0 || px >= p.mask.width() || py >= p.mask.height()) return 0;
        return p.mask.row(static_cast<int>(py))[px] / 255.0f;
    };
    for (int y = 0; y < area.height; ++y) {
        std::fill(row.begin(), row.end(), 0.0f);
        for (const std::size_t m : set.members) {
            const PlacedPicture& p = pictures[m];
            const std::int64_t ly = y + area.top - p.top;
            if (ly < 0 || ly >= p.mask.height()) continue;
            const std::int64_t base = layers[m].ClipBase;
            const bool clipped = base >= 0
                && std::count(set.members.begin(), set.members.end(), static_cast<std::size_t>(base)) > 0;
            const std::int64_t from = std::max<std::int64_t>(0, p.left - area.left);
            const std::int64_t to = std::min<std::int64_t>(area.width, p.left - area.left + p.mask.width());
            const std::uint8_t* maskRow = p.mask.row(static_cast<int>(ly));
            for (std::int64_t x = from; x < to; ++x) {
                float a = maskRow[x + area.left - p.left] / 255.0f;
                if (clipped) a *= valueAt(pictures[static_cast<std::size_t>(base)], x, y);
                float& merged = row[static_cast<std::size_t>(x)];
                merged = merged + a * (1 - merged);
            }
        }
        std::uint8_t* out = shape.row(y);
        for (int x = 0; x < area.width; ++x) out[x] = ToByte(row[static_cast<std::size_t>(x)]);
    }
    return shape;
}

/// Draws one set: the effects worked out over the merged picture, then handed to the
/// members. `fades` per member index.
void DrawSet(const FolderEffectSet& set, LayerRecordList& layers, std::vector<PlacedPicture>& pictures,
    BitmapList* clipShapes, const FolderDrawing& how, const std::map<std::size_t, float>& fades) {
    GrowBottom(set, layers, pictures, clipShapes, how);
    const std::size_t b = set.members.front();
    const PlacedPicture& bottom = pictures[b];
    const PixelFormat format = bottom.colour.format();
    const int channels = format == PixelFormat::Cmyk32 ? 4 : 3;
    const int bpp = BytesPerPixel(format);
    const DrawnBox area { bottom.left, bottom.top, bottom.colour.width(), bottom.colour.height() };
    const Bitmap mergedShape = MergedShape(set, layers, pictures, area);
    EffectSettings settings = how.placement;
    settings.fill = set.fill / 255.0;
    settings.opacity = 1;
    settings.left = area.left;
    settings.top = area.top;
    const EffectStacks stacks(mergedShape, area.width, area.height, 0, 0, *set.style, settings, format);

    for (const std::size_t m : set.members) {
        const PlacedPicture& p = pictures[m];
        const float fade = fades.at(m);
        const bool outer = m == b; // the bottom layer takes what lies outside the merged shape
        const int w = p.colour.width();
        const int h = p.colour.height();
        PlacedPicture drawn { Bitmap(w, h, format, UnfilledPixels {}),
            Bitmap(w, h, PixelFormat::Gray8, UnfilledPixels {}), p.left, p.top };
        const auto dx = static_cast<int>(p.left - area.left);
        const auto dy = static_cast<int>(p.top - area.top);
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* from = p.colour.row(y);
            const std::uint8_t* fromMask = p.mask.row(y);
            std::uint8_t* to = drawn.colour.row(y);
            std::uint8_t* toMask = drawn.mask.row(y);
            for (int x = 0; x < w; ++x) {
                const float a = fromMask[x] / 255.0f;
                // Boxes nest on every grid; a box kept a pixel wide on a coarse one may
                // stick out by that pixel.
                const int ax = std::clamp(x + dx, 0, area.width - 1);
                const int ay = std::clamp(y + dy, 0, area.height - 1);
                const std::size_t i = stacks.index(ax, ay);
                std::uint8_t* d = to + static_cast<std::ptrdiff_t>(x) * bpp;
                if (a <= 0 && (!outer || stacks.noneReaches(i))) {
                    std::fill(d, d + bpp, std::uint8_t { 255 });
                    toMask[x] = 0;
                    continue;
                }
                EffectStack inner;
                EffectStack around;
                const EffectPixel content = a > 0
                    ? EffectPixelAt(from + static_cast<std::ptrdiff_t>(x) * bpp, channels)
                    : EffectPixel { { 1, 1, 1, 1 } };
                stacks.build(ax, ay, i, content, a > 0, outer, inner, around);
                // The layer's own part over what lies around the folder's shape.
                const float top = a * inner.alpha;
                float mixed[4] {};
                for (int c = 0; c < channels; ++c)
                    mixed[c] = a * inner.colour.c[c] + (1 - top) * around.colour.c[c];
                WriteMixed(mixed, top + (1 - top) * around.alpha, fade, channels, d, toMask[x]);
            }
        }
        pictures[m] = std::move(drawn);
    }
}

} // namespace

std::vector<const FolderEffectSet*> FolderEffectSetsOf(const LayerRecordList& layers) {
    std::vector<const FolderEffectSet*> sets;
    for (const LayerRecord& layer : layers)
        for (const auto& set : layer.MergedFolders)
            if (set && std::find(sets.begin(), sets.end(), set.get()) == sets.end())
                sets.push_back(set.get());
    std::stable_sort(sets.begin(), sets.end(),
        [](const FolderEffectSet* a, const FolderEffectSet* b) { return a->depth > b->depth; });
    return sets;
}

void DrawFolderEffectSets(LayerRecordList& layers, std::vector<PlacedPicture>& pictures,
    BitmapList* clipShapes, const FolderDrawing& how) {
    const std::vector<const FolderEffectSet*> sets = FolderEffectSetsOf(layers);
    // A member's folders fade it once, with its outermost set.
    std::map<std::size_t, std::size_t> lastSet;
    for (std::size_t k = 0; k < sets.size(); ++k)
        for (const std::size_t m : sets[k]->members) lastSet[m] = k;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        const FolderEffectSet& set = *sets[k];
        if (set.members.empty() || !set.style) continue;
        for (const std::size_t m : set.members)
            if (m >= layers.size() || m >= pictures.size() || pictures[m].colour.empty())
                throw Error("folder " + set.name + ": a layer of it has no picture");
        std::map<std::size_t, float> fades;
        for (const std::size_t m : set.members) {
            const bool fadesHere = lastSet[m] == k && layers[m].ClipBase < 0;
            fades[m] = fadesHere ? layers[m].FolderOpacity / 255.0f : 1.0f;
        }
        DrawSet(set, layers, pictures, clipShapes, how, fades);
    }
}

std::vector<std::size_t> WriteFolderEffectFiles(
    const Document& doc, const std::filesystem::path& workFolder) {
    std::set<std::size_t> members;
    for (const FolderEffectSet* set : FolderEffectSetsOf(doc.Layers))
        members.insert(set->members.begin(), set->members.end());
    const double reachScale = doc.WorkScale / static_cast<double>(kFixedOne);
    LayerRecordList layers = doc.Layers;
    std::vector<PlacedPicture> pictures(layers.size());
    for (const std::size_t m : members) {
        if (m >= layers.size())
            throw Error(
                "a folder with effects names layer " + std::to_string(m + 1) + ", which the document lacks");
        LayerRecord& layer = layers[m];
        const EffectPicture stored = LoadLayerWorkFiles(layer, static_cast<int>(m) + 1, workFolder);
        const std::int64_t reach = layer.EffectReach;
        // The box the import drew the layer's own effects in, before its folders grew it.
        const std::int64_t own = LayerEffectReach(layer, reachScale);
        layer.Left = static_cast<std::int32_t>(layer.Left + reach - own);
        layer.Top = static_cast<std::int32_t>(layer.Top + reach - own);
        layer.Right = static_cast<std::int32_t>(layer.Right - reach + own);
        layer.Bottom = static_cast<std::int32_t>(layer.Bottom - reach + own);
        layer.Width = layer.Right - layer.Left;
        layer.Height = layer.Bottom - layer.Top;
        layer.EffectReach = static_cast<std::int32_t>(own);
        EffectSettings placement;
        placement.left = layer.Left;
        placement.top = layer.Top;
        placement.canvasWidth = doc.SourceWidth;
        placement.canvasHeight = doc.SourceHeight;
        EffectPicture drawn = DrawEffectsOf(layer, stored.colour, stored.mask, layer.Width, layer.Height,
            static_cast<int>(own), static_cast<int>(own), placement);
        pictures[m] = { std::move(drawn.colour), std::move(drawn.mask), layer.Left, layer.Top };
    }
    FolderDrawing how;
    how.reachScale = reachScale;
    how.drawnBox = [](std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
        return DrawnBox { left, top, static_cast<int>(right - left), static_cast<int>(bottom - top) };
    };
    how.placement.canvasWidth = doc.SourceWidth;
    how.placement.canvasHeight = doc.SourceHeight;
    DrawFolderEffectSets(layers, pictures, nullptr, how);
    for (const std::size_t m : members) {
        const LayerRecord& imported = doc.Layers[m];
        const LayerRecord& drawn = layers[m];
        const int n = static_cast<int>(m) + 1;
        if (drawn.EffectReach != imported.EffectReach || drawn.Left != imported.Left
            || drawn.Top != imported.Top || drawn.Width != imported.Width || drawn.Height != imported.Height)
            throw Error(LayerFileName(n) + ": the layer's work files do not fit its box");
        SaveWorkBmp(pictures[m].colour, workFolder / EffectLayerFileName(n));
        SaveWorkBmp(pictures[m].mask, workFolder / EffectLayerMaskFileName(n));
    }
    return { members.begin(), members.end() };
}

} // namespace deptrix
