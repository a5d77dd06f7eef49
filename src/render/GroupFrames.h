#pragma once

#include "core/Document.h"

namespace deptrix {

/// Which member of each flip group each view shows. GroupMembers[g - 1] lists the
/// layers whose Group is g in ascending index order; GroupFrames[g - 1][q] is the
/// layer drawn in view index q. G, the number of entries, is the largest Group of any
/// layer other than 100 (the outline code 255 counts like a group code here). The n
/// members are spread evenly over the seven views, later members in later views.
/// Only layers below kMaxLayers take part: indices are stored in single bytes. A layer
/// clipped to a layer below it is no member: it is drawn whenever its base is.
void BuildGroupFrames(Document& doc);

} // namespace deptrix
