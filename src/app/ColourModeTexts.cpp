#include "app/ColourModeTexts.h"

namespace deptrix {

QString ColourModeText(int mode, int language) {
    const bool zh = language == 1;
    switch (mode) {
    case 0:
        return zh ? QString::fromUtf8("位图") : "Bitmap";
    case 1:
        return zh ? QString::fromUtf8("灰度") : "Gray";
    case 2:
        return zh ? QString::fromUtf8("索引颜色") : "Indexed";
    case 3:
        return "RGB";
    case 4:
        return "CMYK";
    case 7:
        return zh ? QString::fromUtf8("多通道") : "Multichannel";
    case 8:
        return zh ? QString::fromUtf8("双色调") : "Duotone";
    case 9:
        return "Lab";
    default:
        return QString::number(mode);
    }
}

QString ModeAndDepthText(int mode, int depth, int language) {
    if (language == 1)
        return QString::fromUtf8("%1, 每通道 %2 位").arg(ColourModeText(mode, language)).arg(depth);
    return QString("%1, %2 bit%3 per channel")
        .arg(ColourModeText(mode, language))
        .arg(depth)
        .arg(depth == 1 ? "" : "s");
}

} // namespace deptrix
