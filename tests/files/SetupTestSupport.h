#pragma once

#include "core/Document.h"
#include "files/SetupFields.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace deptrix {

using Points = std::vector<LinePoint>;

/// A document of plain layers as an import leaves it (offsets 0, no groups), with
/// headless fields showing it.
struct ImportedDocument {
    Document doc;
    SetupFields fields { doc };

    explicit ImportedDocument(int layers, const std::string& psdPath = "/pictures/shop.psd") {
        import(layers, psdPath);
    }
    void import(int layers, const std::string& psdPath) {
        doc.beginImport(psdPath);
        doc.Layers.assign(static_cast<size_t>(layers), LayerRecord {});
        doc.LayerCount = static_cast<std::uint16_t>(layers);
        doc.applyLayerDefaults();
        fields.showImport(std::vector<std::string>(static_cast<size_t>(layers), "0"),
            std::vector<std::string>(static_cast<size_t>(layers)));
    }
    const std::vector<std::string>& offsets() const { return fields.offsetCells(); }
};

/// A private folder for the files of one test.
class FileTest : public ::testing::Test {
protected:
    std::filesystem::path folder = std::filesystem::temp_directory_path()
        / ("deptrix-files-test-" + std::to_string(std::random_device {}()));

    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path write(const std::string& name, const std::string& text) const {
        std::ofstream(folder / name, std::ios::binary) << text;
        return folder / name;
    }
    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

} // namespace deptrix
