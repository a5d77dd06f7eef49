#include "import/PsdWriter.h"

#include "core/Error.h"
#include "import/EffectsWriter.h"
#include "import/PackBits.h"
#include "import/SampleDepth.h"
#include "import/Utf16Text.h"

#include <bit>
#include <cstring>
#include <zlib.h>

namespace deptrix {

namespace {

/// Big-endian appends to a byte vector.
class Out {
public:
    explicit Out(std::vector<std::uint8_t>& bytes)
        : m_bytes(bytes) { }
    void u8(unsigned v) { m_bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v) { put(v, 2); }
    void u32(std::uint64_t v) { put(v, 4); }
    void u64(std::uint64_t v) { put(v, 8); }
    void length(std::uint64_t v, bool wide) { put(v, wide ? 8 : 4); }
    void text(const char* s) { append(s, std::strlen(s)); }
    void append(const void* data, std::size_t n) {
        if (n == 0) return;
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + n);
        std::memcpy(m_bytes.data() + at, data, n);
    }
    void append(const std::vector<std::uint8_t>& v) { append(v.data(), v.size()); }
    void padTo(std::size_t multiple, std::size_t from = 0) {
        while ((m_bytes.size() - from) % multiple != 0) m_bytes.push_back(0);
    }
    std::size_t size() const { return m_bytes.size(); }

private:
    void put(std::uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i) m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t>& m_bytes;
};

void PutRect(Out& out, const PsdRect& r) {
    out.u32(static_cast<std::uint32_t>(r.top));
    out.u32(static_cast<std::uint32_t>(r.left));
    out.u32(static_cast<std::uint32_t>(r.bottom));
    out.u32(static_cast<std::uint32_t>(r.right));
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> packed(size);
    if (compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION)
        != Z_OK)
        throw Error("PSD writer: ZIP compression failed");
    packed.resize(size);
    return packed;
}

/// Replaces every sample but the first of each row by its difference to the left;
/// 32-bit rows are first split into planes of bytes, most significant first, and then
/// coded byte by byte.
void Predict(std::vector<std::uint8_t>& rows, std::size_t rowBytes, int depth) {
    std::vector<std::uint8_t> planes(rowBytes);
    for (std::size_t start = 0; start < rows.size(); start += rowBytes) {
        std::uint8_t* row = rows.data() + start;
        if (depth == 32) {
            const std::size_t width = rowBytes / 4;
            for (std::size_t x = 0; x < width; ++x)
                for (std::size_t b = 0; b < 4; ++b) planes[b * width + x] = row[4 * x + b];
            std::memcpy(row, planes.data(), rowBytes);
        }
        if (depth != 16) {
            for (std::size_t x = rowBytes - 1; x >= 1; --x)
                row[x] = static_cast<std::uint8_t>(row[x] - row[x - 1]);
        } else {
            for (std::size_t x = rowBytes - 2; x >= 2; x -= 2) {
                const unsigned v = static_cast<unsigned>(row[x] << 8 | row[x + 1]);
                const unsigned left = static_cast<unsigned>(row[x - 2] << 8 | row[x - 1]);
                const unsigned delta = (v - left) & 0xFFFF;
                row[x] = static_cast<std::uint8_t>(delta >> 8);
                row[x + 1] = static_cast<std::uint8_t>(delta);
            }
        }
    }
}

/// Appends the PackBits rows of `stored` and returns their byte counts.
std::vector<std::uint64_t> PackRows(
    const std::vector<std::uint8_t>& stored, std::size_t rowBytes, std::vector<std::uint8_t>& out) {
    std::vector<std::uint64_t> counts;
    for (std::size_t start = 0; start < stored.size(); start += rowBytes) {
        const std::size_t before = out.size();
        PackBitsRow(std::span<const std::uint8_t>(stored).subspan(start, rowBytes), out);
        counts.push_back(out.size() - before);
    }
    return counts;
}

std::string LegacyName(const std::string& name) {
    std::string legacy;
    for (unsigned char c : name) {
        if (c < 0x80)
            legacy += static_cast<char>(c);
        else if ((c & 0xC0) != 0x80)
            legacy += '?';
    }
    if (legacy.size() > 255) legacy.resize(255);
    return legacy;
}

/// What follows the name: the section type of a folder's records, with the folder's
/// mode when it has one of its own, the fill opacity and any further blocks.
struct RecordBlocks {
    int sectionType = 0;
    std::array<char, 4> folderMode { 'p', 'a', 's', 's' };
    std::uint8_t fillOpacity = 255;
    const std::vector<PsdBlockSpec>* blocks = nullptr;
};

std::vector<std::uint8_t> RecordExtra(
    const std::string& name, const std::optional<PsdMaskSpec>& mask, const RecordBlocks& more) {
    std::vector<std::uint8_t> extra;
    Out out(extra);
    if (mask) {
        // Twenty bytes either way: two of padding, or the parameter flags and the
        // density when the mask hides only partly.
        const bool partial = mask->density != 255;
        out.u32(20);
        PutRect(out, mask->rect);
        out.u8(mask->defaultColour);
        out.u8((mask->disabled ? 0x02 : 0x00) | (partial ? 0x10 : 0x00));
        out.u8(partial ? 0x01 : 0x00);
        out.u8(partial ? mask->density : 0x00);
    } else {
        out.u32(0);
    }
    out.u32(0); // no blending ranges
    const std::string legacy = LegacyName(name);
    out.u8(static_cast<unsigned>(legacy.size()));
    out.append(legacy.data(), legacy.size());
    out.padTo(4);

    const std::vector<std::uint16_t> units = Utf8ToUtf16(name);
    out.text("8BIMluni");
    const std::size_t luniLength = 4 + 2 * units.size();
    out.u32((luniLength + 3) & ~std::size_t { 3 });
    const std::size_t luniStart = out.size();
    out.u32(units.size());
    for (std::uint16_t u : units) out.u16(u);
    out.padTo(4, luniStart);

    if (more.sectionType > 0) {
        const bool withMode = more.folderMode != std::array<char, 4> { 'p', 'a', 's', 's' };
        out.text("8BIMlsct");
        out.u32(withMode ? 12 : 4);
        out.u32(static_cast<std::uint32_t>(more.sectionType));
        if (withMode) {
            out.text("8BIM");
            out.append(more.folderMode.data(), 4);
        }
    }
    if (more.fillOpacity != 255) {
        out.text("8BIMiOpa");
        out.u32(4);
        out.u8(more.fillOpacity);
        out.append("\0\0\0", 3);
    }
    if (more.blocks) {
        for (const PsdBlockSpec& block : *more.blocks) {
            out.text("8BIM");
            out.append(block.key.data(), 4);
            out.u32((block.data.size() + 1) & ~std::size_t { 1 });
            out.append(block.data);
            out.padTo(2);
        }
    }
    return extra;
}

/// The stored bytes of a channel's samples: big-endian, 1-bit samples packed eight
/// to a byte from the most significant bit, each row padded to whole bytes.
std::vector<std::uint8_t> StoredSamples(const PsdPlane& samples, std::int64_t width, int depth) {
    std::vector<std::uint8_t> stored;
    if (depth == 1) {
        const auto rowBytes = static_cast<std::size_t>(StoredRowBytes(static_cast<std::uint64_t>(width), 1));
        const std::size_t rows = samples.size() / static_cast<std::size_t>(width);
        stored.assign(rowBytes * rows, 0);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::size_t y = i / static_cast<std::size_t>(width);
            const std::size_t x = i % static_cast<std::size_t>(width);
            if (samples[i] != 0) stored[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        return stored;
    }
    const int sampleBytes = depth / 8;
    stored.reserve(samples.size() * static_cast<std::size_t>(sampleBytes));
    for (std::uint32_t v : samples)
        for (int b = sampleBytes - 1; b >= 0; --b) stored.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    return stored;
}

/// A descriptor, big-endian: ids, objects and numbers as the editor writes them.
class DescriptorOut {
public:
    explicit DescriptorOut(std::vector<std::uint8_t>& bytes)
        : m_out(bytes) { }
    /// Four-letter ids are stored as 0 and the letters, longer ones with their length.
    void id(const std::string& s) {
        m_out.u32(s.size() == 4 ? 0 : s.size());
        m_out.text(s.c_str());
    }
    /// A descriptor's head: an empty name, its class and how many items follow.
    void object(const std::string& classId, std::uint32_t items) {
        m_out.u32(1);
        m_out.u16(0);
        id(classId);
        m_out.u32(items);
    }
    void number(const std::string& key, double v) {
        id(key);
        m_out.text("doub");
        m_out.u64(std::bit_cast<std::uint64_t>(v));
    }
    void integer(const std::string& key, std::int32_t v) {
        id(key);
        m_out.text("long");
        m_out.u32(static_cast<std::uint32_t>(v));
    }
    void objectKey(const std::string& key, const std::string& classId, std::uint32_t items) {
        id(key);
        m_out.text("Objc");
        object(classId, items);
    }

private:
    Out m_out;
};

PsdBlockSpec ArtboardBlock(const PsdArtboardSpec& artboard) {
    PsdBlockSpec block { { 'a', 'r', 't', 'b' }, {} };
    Out(block.data).u32(16); // descriptor version
    DescriptorOut d(block.data);
    d.object("artboard", artboard.background > 0 ? 3 : 1);
    d.objectKey("artboardRect", "classFloatRect", 4);
    d.number("Top ", artboard.rect.top);
    d.number("Left", artboard.rect.left);
    d.number("Btom", artboard.rect.bottom);
    d.number("Rght", artboard.rect.right);
    if (artboard.background > 0) {
        d.integer("artboardBackgroundType", artboard.background);
        d.objectKey("Clr ", "RGBC", 3);
        d.number("Rd  ", artboard.rgb[0]);
        d.number("Grn ", artboard.rgb[1]);
        d.number("Bl  ", artboard.rgb[2]);
    }
    return block;
}

} // namespace

std::uint32_t FloatSample(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

PsdWriter::PsdWriter(const PsdWriterOptions& options)
    : m_options(options) {
    if (options.depth != 1 && options.depth != 8 && options.depth != 16 && options.depth != 32)
        throw Error("PSD writer: depth must be 1, 8, 16 or 32");
}

int PsdWriter::colourChannels() const {
    return m_options.mode == ColourMode::Cmyk ? 4 : m_options.mode == ColourMode::Rgb ? 3 : 1;
}

PsdWriter::Channel PsdWriter::encodeChannel(
    std::int16_t id, const PsdPlane& samples, std::int64_t width, std::int64_t height) const {
    Channel channel { id, {} };
    Out out(channel.stored);
    out.u16(static_cast<unsigned>(m_options.compression));
    if (width <= 0 || height <= 0) return channel;
    if (samples.size() != static_cast<std::size_t>(width * height))
        throw Error("PSD writer: channel " + std::to_string(id) + " does not match its rectangle");

    const auto rowBytes
        = static_cast<std::size_t>(StoredRowBytes(static_cast<std::uint64_t>(width), m_options.depth));
    std::vector<std::uint8_t> stored = StoredSamples(samples, width, m_options.depth);

    switch (m_options.compression) {
    case Compression::Raw:
        out.append(stored);
        break;
    case Compression::Rle: {
        std::vector<std::uint8_t> packed;
        const auto counts = PackRows(stored, rowBytes, packed);
        for (std::uint64_t c : counts) m_options.psb ? out.u32(c) : out.u16(static_cast<unsigned>(c));
        out.append(packed);
        break;
    }
    case Compression::Zip:
    case Compression::ZipPredicted:
        if (m_options.compression == Compression::ZipPredicted) Predict(stored, rowBytes, m_options.depth);
        out.append(Deflate(stored));
        break;
    }
    return channel;
}

void PsdWriter::addLayer(const PsdLayerSpec& layer) {
    const int colourChannels = this->colourChannels();
    if (static_cast<int>(layer.colour.size()) != colourChannels)
        throw Error("PSD writer: layer '" + layer.name + "' needs " + std::to_string(colourChannels)
            + " colour planes");
    Record record;
    record.box = layer.box;
    record.blendMode = layer.blendMode;
    record.opacity = layer.opacity;
    record.flags = layer.hidden ? 0x02 : 0x00;
    const std::int64_t w = layer.box.width() > 0 ? layer.box.width() : 0;
    const std::int64_t h = layer.box.height() > 0 ? layer.box.height() : 0;
    if (!layer.transparency.empty())
        record.channels.push_back(encodeChannel(kTransparencyChannel, layer.transparency, w, h));
    for (int c = 0; c < colourChannels; ++c)
        record.channels.push_back(
            encodeChannel(static_cast<std::int16_t>(c), layer.colour[static_cast<std::size_t>(c)], w, h));
    if (layer.userMask) {
        const PsdRect& r = layer.userMask->rect;
        record.channels.push_back(encodeChannel(kUserMaskChannel, layer.userMask->samples,
            r.width() > 0 ? r.width() : 0, r.height() > 0 ? r.height() : 0));
    }
    RecordBlocks more;
    more.fillOpacity = layer.fillOpacity;
    std::vector<PsdBlockSpec> blocks = layer.blocks;
    if (layer.effects) blocks.push_back({ { 'l', 'f', 'x', '2' }, EffectsBlockData(*layer.effects) });
    more.blocks = &blocks;
    record.extra = RecordExtra(layer.name, layer.userMask, more);
    record.clipping = layer.clipping;
    m_records.push_back(std::move(record));
}

void PsdWriter::addMarkerRecord(const PsdFolderSpec& folder, std::uint32_t sectionType) {
    Record record;
    record.blendMode = { 'n', 'o', 'r', 'm' };
    record.opacity = folder.opacity;
    record.clipping = folder.clipping;
    // Bit 3 says bit 4 is meaningful; bit 4: the record's pixels do not show.
    record.flags = static_cast<std::uint8_t>(0x18 | (folder.hidden ? 0x02 : 0x00));
    const int colourChannels = this->colourChannels();
    record.channels.push_back(encodeChannel(kTransparencyChannel, {}, 0, 0));
    for (int c = 0; c < colourChannels; ++c)
        record.channels.push_back(encodeChannel(static_cast<std::int16_t>(c), {}, 0, 0));
    RecordBlocks more;
    more.sectionType = static_cast<int>(sectionType);
    std::vector<PsdBlockSpec> blocks;
    if (sectionType != 3) {
        more.folderMode = folder.blendMode;
        if (folder.artboard) blocks.push_back(ArtboardBlock(*folder.artboard));
        if (folder.effects) blocks.push_back({ { 'l', 'f', 'x', '2' }, EffectsBlockData(*folder.effects) });
        more.blocks = &blocks;
    }
    record.extra = RecordExtra(folder.name, std::nullopt, more);
    m_records.push_back(std::move(record));
}

void PsdWriter::beginFolder() {
    PsdFolderSpec marker;
    marker.name = "</Layer group>";
    addMarkerRecord(marker, 3);
    ++m_openFolders;
}

void PsdWriter::endFolder(const std::string& name, bool hidden) {
    PsdFolderSpec folder;
    folder.name = name;
    folder.hidden = hidden;
    endFolder(folder);
}

void PsdWriter::endFolder(const PsdFolderSpec& folder) {
    if (m_openFolders == 0) throw Error("PSD writer: endFolder without beginFolder");
    --m_openFolders;
    addMarkerRecord(folder, 1);
}

void PsdWriter::setMergedImage(std::vector<PsdPlane> channels, bool withTransparency) {
    m_merged = std::move(channels);
    m_mergedTransparency = withTransparency;
}

std::vector<std::uint8_t> PsdWriter::layerInfo() const {
    std::vector<std::uint8_t> info;
    Out out(info);
    const auto count = static_cast<int>(m_records.size());
    out.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(m_mergedTransparency ? -count : count)));
    for (const Record& r : m_records) {
        PutRect(out, r.box);
        out.u16(static_cast<unsigned>(r.channels.size()));
        for (const Channel& c : r.channels) {
            out.u16(static_cast<std::uint16_t>(c.id));
            out.length(c.stored.size(), m_options.psb);
        }
        out.text("8BIM");
        out.append(r.blendMode.data(), 4);
        out.u8(r.opacity);
        out.u8(r.clipping ? 1 : 0);
        out.u8(r.flags);
        out.u8(0);
        out.u32(r.extra.size());
        out.append(r.extra);
    }
    for (const Record& r : m_records)
        for (const Channel& c : r.channels) out.append(c.stored);
    out.padTo(2);
    return info;
}

std::vector<std::uint8_t> PsdWriter::mergedImage() const {
    const int colourChannels = this->colourChannels();
    const std::size_t planeSize
        = static_cast<std::size_t>(m_options.width) * static_cast<std::size_t>(m_options.height);
    std::vector<PsdPlane> planes = m_merged;
    if (planes.empty()) {
        const std::uint32_t white = m_options.depth == 32 ? FloatSample(1.0f)
            : m_options.depth == 16                       ? 65535
            : m_options.depth == 8                        ? 255
                                                          : 0;
        planes.assign(static_cast<std::size_t>(colourChannels), PsdPlane(planeSize, white));
    }
    for (const PsdPlane& p : planes)
        if (p.size() != planeSize) throw Error("PSD writer: merged image plane does not match the canvas");

    std::vector<std::uint8_t> data;
    Out out(data);
    // The merged picture shares one compression field and, for RLE, one row table.
    out.u16(static_cast<unsigned>(m_options.compression));
    std::vector<std::vector<std::uint8_t>> encoded;
    std::vector<std::uint64_t> counts;
    std::vector<std::uint8_t> allRows;
    for (std::size_t c = 0; c < planes.size(); ++c) {
        Channel ch
            = encodeChannel(static_cast<std::int16_t>(c), planes[c], m_options.width, m_options.height);
        encoded.push_back(std::vector<std::uint8_t>(ch.stored.begin() + 2, ch.stored.end()));
    }
    if (m_options.compression == Compression::Rle) {
        const std::size_t tableBytes = static_cast<std::size_t>(m_options.height) * (m_options.psb ? 4 : 2);
        for (const auto& e : encoded) out.append(e.data(), tableBytes);
        for (const auto& e : encoded) out.append(e.data() + tableBytes, e.size() - tableBytes);
    } else if (m_options.compression == Compression::Raw) {
        for (const auto& e : encoded) out.append(e);
    } else {
        // One stream for all channels: re-encode the concatenated planes.
        PsdPlane joined;
        for (const PsdPlane& p : planes) joined.insert(joined.end(), p.begin(), p.end());
        const Channel all = encodeChannel(0, joined, m_options.width,
            static_cast<std::int64_t>(m_options.height) * static_cast<std::int64_t>(planes.size()));
        out.append(all.stored.data() + 2, all.stored.size() - 2);
    }
    return data;
}

std::vector<std::uint8_t> PsdWriter::finish() const {
    if (m_openFolders != 0) throw Error("PSD writer: a folder is still open");
    const int colourChannels = this->colourChannels();
    const int channels = static_cast<int>(m_merged.empty() ? colourChannels : m_merged.size());

    std::vector<std::uint8_t> file;
    file.reserve(1024);
    Out out(file);
    out.text("8BPS");
    out.u16(m_options.psb ? 2 : 1);
    out.append("\0\0\0\0\0\0", 6);
    out.u16(static_cast<unsigned>(channels));
    out.u32(static_cast<std::uint32_t>(m_options.height));
    out.u32(static_cast<std::uint32_t>(m_options.width));
    out.u16(static_cast<unsigned>(m_options.depth));
    out.u16(static_cast<unsigned>(m_options.mode));
    out.u32(m_options.colourModeData.size());
    out.append(m_options.colourModeData);

    std::vector<std::uint8_t> resources;
    if (m_options.resolutionPpi > 0) {
        Out r(resources);
        const auto fixed = static_cast<std::uint32_t>(m_options.resolutionPpi * 65536.0 + 0.5);
        r.text("8BIM");
        r.u16(1005);
        r.u16(0); // empty name, padded
        r.u32(16);
        r.u32(fixed);
        r.u16(1); // pixels per inch
        r.u16(1); // width shown in inches
        r.u32(fixed);
        r.u16(1);
        r.u16(1);
    }
    if (!m_options.iccProfile.empty()) {
        Out r(resources);
        r.text("8BIM");
        r.u16(1039);
        r.u16(0); // empty name, padded
        r.u32(m_options.iccProfile.size());
        r.append(m_options.iccProfile);
        r.padTo(2);
    }
    if (m_options.transparentIndex >= 0 && m_options.transparentIndex < 256) {
        Out r(resources);
        r.text("8BIM");
        r.u16(1047);
        r.u16(0); // empty name, padded
        r.u32(2);
        r.u16(static_cast<unsigned>(m_options.transparentIndex));
    }
    out.u32(resources.size());
    out.append(resources);

    const std::vector<std::uint8_t> info = m_records.empty() ? std::vector<std::uint8_t> {} : layerInfo();
    std::vector<std::uint8_t> section;
    Out s(section);
    const bool inTaggedBlock = (m_options.depth == 16 || m_options.depth == 32) && !info.empty();
    s.length(inTaggedBlock ? 0 : info.size(), m_options.psb);
    if (!inTaggedBlock) s.append(info);
    s.u32(0); // global layer mask info
    if (inTaggedBlock) {
        s.text(m_options.depth == 32 ? "8BIMLr32" : "8BIMLr16");
        std::vector<std::uint8_t> padded = info;
        while (padded.size() % 4 != 0) padded.push_back(0);
        s.length(padded.size(), m_options.psb);
        s.append(padded);
    }
    out.length(section.size(), m_options.psb);
    out.append(section);
    out.append(mergedImage());
    return file;
}

} // namespace deptrix
