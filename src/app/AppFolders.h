#pragma once

#include <QString>

namespace deptrix {

// Where the program finds its files, relative to its own folder. Run from its build
// folder (or unpacked anywhere as one folder) the sample sits in `sample/` beside the
// executable and so may the configuration file; installed under a prefix
// (PREFIX/bin/deptrix) the sample is in PREFIX/share/deptrix/sample, and the
// configuration belongs to the user, never to the program's folder.

/// PREFIX/share/deptrix for a program installed as PREFIX/bin/deptrix; empty otherwise.
QString InstalledDataFolder(const QString& exeFolder);

/// The folder of the bundled sample scene.
QString SampleFolder(const QString& exeFolder);

/// Whether the configuration file is kept beside the program: only when the program
/// is not installed and its folder can be written.
bool ConfigBesideProgram(const QString& exeFolder);

} // namespace deptrix
