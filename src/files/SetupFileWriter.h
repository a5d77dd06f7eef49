#pragma once

#include "core/Fixed.h"
#include "core/Outlines.h"

#include <filesystem>
#include <string>

namespace deptrix {

struct Document;
class SetupTarget;

/// A real of the text files that reads back to the same fixed-point value: the
/// 23-character form where its 15 digits hold the value, else the value with its four
/// decimals written out (a blank before positive values in both). Exact for every
/// value below 2^62 in magnitude (reals up to about 4.6E14); beyond that the reader's
/// extended precision can land one unit off.
std::string FormatFileReal(Fixed value);

/// The LPI the next preview will use: the number in the LPI field, or Lpi itself when
/// the field is empty. A file that a project opens shows its LPI in the field before it
/// takes effect, so this is the LPI a saved file must carry.
Fixed FieldLpi(const Document& doc, const SetupTarget& fields);

/// The whole set-up of the document as a full settings file (variant 39550) with CR LF
/// line ends: the PSD's path; LPI, angles, focus row, depth factor; the output settings
/// from the output page's texts; every layer's offset from the layer table, layer 0
/// first; every layer's base order, smoothness and depth; then one record per stored
/// line of at least two points, layer by layer, order by order, in increasing line
/// index. `editedLines`, when given, is the set of SelectedLayer open in the outline
/// editor and takes the place of its stored set. A field or cell that is not a number
/// throws ConvertError; an empty output field stands for the document's value.
std::string FormatSetupFile(const Document& doc, const SetupTarget& fields, const LineSet* editedLines);

/// Writes FormatSetupFile to a temporary file beside `path` and renames it, so a failed
/// save leaves any earlier file untouched. Throws Error naming the file.
void SaveSetupFile(const std::filesystem::path& path, const Document& doc, const SetupTarget& fields,
    const LineSet* editedLines);

} // namespace deptrix
