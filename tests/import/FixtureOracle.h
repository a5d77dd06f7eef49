#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <QJsonObject>
#include <filesystem>
#include <string>
#include <vector>

namespace deptrix::test {

/// The folder of PSD files written by other programs, each with a JSON description
/// ("oracle") made by an independent reader.
std::filesystem::path FixturesDir();
bool HaveFixtures();

/// Every PSD and PSB in the fixture folder, sorted.
std::vector<std::filesystem::path> FixtureFiles();

/// The JSON beside `file` (file name + ".json").
QJsonObject LoadOracle(const std::filesystem::path& file);

/// The path of `file` relative to the fixture folder, with forward slashes.
std::string FixtureName(const std::filesystem::path& file);

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);

/// The colour of a layer bitmap as the oracle fingerprints it: channels in file order
/// interleaved (R, G, B; C, M, Y, K as stored; a single grey channel, also for
/// bitmap and duotone files).
std::vector<std::uint8_t> OracleColourBytes(const Bitmap& colour, ColourMode mode);

/// The used bytes of an 8-bit picture, row after row.
std::vector<std::uint8_t> PlaneBytes(const Bitmap& gray);

} // namespace deptrix::test
