#include "cli/LineRecordFile.h"

#include "core/Error.h"
#include "core/FileIo.h"
#include "core/TokenReader.h"

#include <climits>
#include <optional>
#include <string>

namespace deptrix {

namespace {

constexpr std::uint64_t kMaxFileBytes = 64ull << 20;

/// Integers of a text file one after another across line ends, each line read by
/// its own TokenReader so that every field knows the line it came from.
class IntegerStream {
public:
    explicit IntegerStream(const std::string& text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
                line.pop_back();
            m_lines.push_back(std::move(line));
            start = end + 1;
        }
    }

    /// The next integer, or nothing at the end of the file.
    std::optional<std::int64_t> next() {
        while (!m_reader || m_reader->atEnd()) {
            if (m_next >= m_lines.size()) return std::nullopt;
            m_lineNumber = static_cast<int>(++m_next);
            m_reader.emplace(m_lines[m_next - 1]);
        }
        return m_reader->readInteger();
    }

    /// Drops what is left of the current line.
    void skipRestOfLine() { m_reader.reset(); }

    /// The line the last integer came from, counting from 1.
    int lineNumber() const { return m_lineNumber; }

private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
    std::optional<TokenReader> m_reader;
    int m_lineNumber = 0;
};

} // namespace

std::vector<LineRecord> ReadLineRecords(const std::filesystem::path& path, int layerCount) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path, kMaxFileBytes);
    IntegerStream in(std::string(bytes.begin(), bytes.end()));
    auto fail = [&](int line, const std::string& problem) {
        return Error(path.string() + ", line " + std::to_string(line) + ": " + problem);
    };
    auto next = [&]() -> std::optional<std::int64_t> {
        try {
            return in.next();
        } catch (const Error& e) { // not a number
            throw fail(in.lineNumber(), e.what());
        }
    };
    auto checked = [&](std::int64_t value, std::int64_t low, std::int64_t high, const char* what) {
        if (value < low || value > high)
            throw fail(in.lineNumber(),
                std::string(what) + " " + std::to_string(value) + " is out of range (" + std::to_string(low)
                    + ".." + std::to_string(high) + ")");
        return value;
    };

    std::vector<LineRecord> records;
    while (const std::optional<std::int64_t> layer = next()) {
        const int header = in.lineNumber();
        auto required = [&](const char* what) {
            const std::optional<std::int64_t> value = next();
            if (!value)
                throw fail(header, std::string("the file ends inside the record (") + what + " missing)");
            return *value;
        };
        if (layerCount <= 0) throw fail(header, "the document has no layers to give lines to");
        LineRecord record;
        record.layer = static_cast<int>(checked(*layer, 0, layerCount - 1, "layer index"));
        record.order = static_cast<int>(checked(required("order index"), 0, kOrderCount - 1, "order index"));
        record.line = static_cast<int>(checked(required("line index"), 0, kMaxRecordLineIndex, "line index"));
        const std::int64_t lastPoint = required("last point index");
        in.skipRestOfLine();
        if (lastPoint < 1) continue; // a header without points
        checked(lastPoint, 1, kMaxRecordPoints - 1, "last point index");
        // Grown as points arrive, so a count the file does not back up costs nothing.
        for (std::int64_t k = 0; k <= lastPoint; ++k) {
            LinePoint point;
            point.x = static_cast<std::int32_t>(checked(required("a point"), INT32_MIN, INT32_MAX, "x"));
            point.y = static_cast<std::int32_t>(checked(required("a point"), INT32_MIN, INT32_MAX, "y"));
            record.points.push_back(point);
        }
        records.push_back(std::move(record));
    }
    return records;
}

void ApplyLineRecords(Document& doc, const std::vector<LineRecord>& records) {
    doc.LayerLines.assign(doc.LayerCount, LineSet(kOrderCount));
    for (const LineRecord& record : records) {
        OrderLines& order = doc.LayerLines.at(static_cast<std::size_t>(record.layer))
                                .at(static_cast<std::size_t>(record.order));
        order.resize(static_cast<std::size_t>(record.line) + 1);
        order[static_cast<std::size_t>(record.line)] = record.points;
        doc.Layers.at(static_cast<std::size_t>(record.layer)).Group = kGroupOutlineStale;
    }
    const auto selected = static_cast<std::size_t>(doc.SelectedLayer);
    doc.EditLines = selected < doc.LayerLines.size() ? doc.LayerLines[selected] : LineSet();
}

} // namespace deptrix
