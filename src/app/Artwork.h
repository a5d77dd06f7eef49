#pragma once

#include <QImage>
#include <QSize>

namespace deptrix {

/// The product picture of the splash and about box: layered hills in depth with the
/// product title, drawn at any size.
QImage ProductPicture(QSize size);

/// The small link picture of the "SetLayer" tab and the help window.
QImage LinkPicture(QSize size);

} // namespace deptrix
