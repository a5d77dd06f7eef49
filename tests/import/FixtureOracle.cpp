#include "FixtureOracle.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <algorithm>

namespace deptrix::test {

std::filesystem::path FixturesDir() {
    return DEPTRIX_FIXTURES_DIR;
}

bool HaveFixtures() {
    return std::filesystem::is_directory(FixturesDir());
}

std::vector<std::filesystem::path> FixtureFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FixturesDir())) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".psd" || ext == ".psb")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

QJsonObject LoadOracle(const std::filesystem::path& file) {
    QFile json(QString::fromStdString(file.string() + ".json"));
    if (!json.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(json.readAll()).object();
}

std::string FixtureName(const std::filesystem::path& file) {
    return std::filesystem::relative(file, FixturesDir()).generic_string();
}

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

std::vector<std::uint8_t> OracleColourBytes(const Bitmap& colour, ColourMode mode) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < colour.height(); ++y) {
        const std::uint8_t* p = colour.row(y);
        for (int x = 0; x < colour.width(); ++x) {
            if (mode == ColourMode::Cmyk) {
                out.insert(out.end(), p + 4 * x, p + 4 * x + 4);
            } else if (mode == ColourMode::Grayscale || mode == ColourMode::Bitmap
                || mode == ColourMode::Duotone) {
                out.push_back(p[3 * x]);
            } else {
                out.push_back(p[3 * x + 2]);
                out.push_back(p[3 * x + 1]);
                out.push_back(p[3 * x]);
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> PlaneBytes(const Bitmap& gray) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < gray.height(); ++y) out.insert(out.end(), gray.row(y), gray.row(y) + gray.width());
    return out;
}

} // namespace deptrix::test
