#include "app/Texts.h"

#include "core/Version.h"

namespace deptrix {

const LanguageTexts& TextsFor(int language) {
    static const LanguageTexts english {
        "Layer",
        "Group",
        "Offset",
        "Deptrix",
        "All",
        "One",
        "Chinese",
        " Please import *.psd",
        QString::fromUtf8(" Please set 3d parameters\uff0cand click the Preview button."),
        " Please stop preview",
        " Please export tiff file, or change 3d settings.",
        "Original info",
        "Size (cm):",
        "Color:",
        "Layers:",
        "Please put on 3d glasses to see the 3d picture.",
        "Name",
        " Importing %1 ...",
        " Saved %1",
        " Saved %1 (no program was found to show it)",
        "Depth map of layer %1",
        " Depth map of layer %1: %2",
        " Layer %1 has no depth map now",
        " Depth maps not loaded, their layers stay flat: %1",
        "Layer %1 has outlines. Replace them with the depth map?",
        "Layer %1 has a depth map. Replace it with the outlines?",
        "%1 is the same file as %2, which this document was read from: an output may not replace an "
        "input, so nothing was written.",
        "Save changes to %1?",
        "Restore unsaved work on %1 from %2?",
        "Save",
        "Discard",
        "Cancel",
        "Restore",
        " Cancelled: nothing was written",
        " Restored unsaved work on %1 from %2; it is not saved yet",
        " %1 is read-only: it is kept as it is, and the settings of this run are not stored in it",
        " Unsaved work cannot be kept for recovery: %1",
    };
    static const LanguageTexts chinese {
        QString::fromUtf8("图层"),
        QString::fromUtf8("群组"),
        QString::fromUtf8("移位"),
        QString::fromUtf8("Deptrix 立体"),
        QString::fromUtf8("全部"),
        QString::fromUtf8("单层"),
        QString::fromUtf8("英文"),
        QString::fromUtf8(" 请导入Psd图档"),
        QString::fromUtf8(" 请设置参数,然后预览"),
        QString::fromUtf8(" 请先停止预览"),
        QString::fromUtf8(" 请输出立体图片。或重新设置立体参数。"),
        QString::fromUtf8("原图信息"),
        QString::fromUtf8("尺寸(厘米):"),
        QString::fromUtf8("颜色:"),
        QString::fromUtf8("层数:"),
        QString::fromUtf8("请戴上红绿立体眼镜,观看立体效果."),
        QString::fromUtf8("名称"),
        QString::fromUtf8(" 正在导入 %1 ..."),
        QString::fromUtf8(" 已保存 %1"),
        QString::fromUtf8(" 已保存 %1（没有找到可以打开它的程序）"),
        QString::fromUtf8("图层%1的深度图"),
        QString::fromUtf8(" 图层%1的深度图: %2"),
        QString::fromUtf8(" 图层%1的深度图已清除"),
        QString::fromUtf8(" 未能载入深度图,这些图层保持平面: %1"),
        QString::fromUtf8("图层%1已有勾线。用深度图替换吗?"),
        QString::fromUtf8("图层%1已有深度图。用勾线替换吗?"),
        QString::fromUtf8("%1 与读入本文档的 %2 是同一个文件：输出不能覆盖输入，因此没有写入任何内容。"),
        QString::fromUtf8("是否保存对 %1 的修改？"),
        QString::fromUtf8("是否恢复 %1 在 %2 未保存的工作？"),
        QString::fromUtf8("保存"),
        QString::fromUtf8("放弃"),
        QString::fromUtf8("取消"),
        QString::fromUtf8("恢复"),
        QString::fromUtf8(" 已取消：没有写入任何文件"),
        QString::fromUtf8(" 已恢复 %1 在 %2 未保存的工作，尚未保存"),
        QString::fromUtf8(" %1 是只读文件：保持原样，本次的设置不会保存到其中"),
        QString::fromUtf8(" 无法保留未保存的工作以便恢复：%1"),
    };
    return language == 1 ? chinese : english;
}

QString ProductTitle() {
    return QString("Deptrix ") + kVersion;
}

} // namespace deptrix
