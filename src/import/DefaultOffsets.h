#pragma once

namespace deptrix {

struct Document;

/// The import's defaults after the reader has filled the layers, in order:
/// DepthSpan (a sixteenth of the source width), the per-layer defaults and ViewLeft,
/// the ordinary layers (top-most first), the focus two fifths of the way down them,
/// and the default depth offsets.
void ApplyImportDefaults(Document& doc);

/// UngroupedLayers, UngroupedCount, FocusSlot and FocusRow from the group codes.
/// Layers clipped to another layer are left out.
void ChooseFocus(Document& doc);

/// DefaultOffsets (x10000 source px) from DepthSpan and the focus: layers in front of
/// the focus get negative offsets down to -2/3 DepthSpan at the top-most ordinary
/// layer, layers behind it positive ones up to about DepthSpan; grouped layers 0.
/// A clipped layer gets the offset of the layer it is clipped to.
void ComputeDefaultOffsets(Document& doc);

} // namespace deptrix
