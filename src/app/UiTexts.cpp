#include "app/UiTexts.h"

#include <array>

namespace deptrix {

namespace {

// Status notes begin with a blank, as the prompts of the status bar do.
constexpr UiText kTexts[] = {
    { Ui::FieldNotNumber, "%1: '%2' must be a number", "%1：“%2”必须是数字" },
    { Ui::FieldNotWholeNumber, "%1: '%2' must be a whole number", "%1：“%2”必须是整数" },
    { Ui::FieldAnglesRange, "%1: %2 must be a whole number from 2 to 64",
        "%1：%2 必须是 2 到 64 之间的整数" },
    { Ui::FieldLpiReplaced, " %1: %2 is outside 9 to 180 and was replaced by 75.55",
        " %1：%2 超出 9 到 180 的范围，已改为 75.55" },
    { Ui::FieldFocusReplaced,
        " %1: %2 is no row of the layer table (1 to %3), so no layer is the focus layer",
        " %1：%2 不是图层表中的行（1 到 %3），因此没有焦点层" },
    { Ui::FieldDepthReplaced, " %1: %2 is outside -10 to 10, so the depth 2 is used",
        " %1：%2 超出 -10 到 10 的范围，因此按 2 计算" },
    { Ui::FieldHScaleReplaced, " %1: %2 was replaced by %3 (1 to 16)", " %1：%2 已改为 %3（1 到 16）" },
    { Ui::FieldEmptyReplaced, " %1: the empty field was set to %2", " %1：空白已改为 %2" },
    { Ui::LineHiddenUnderNearer,
        " The new order %1 outline lies wholly under a nearer one (order 1 is nearest)",
        " 新画的层次 %1 勾线完全被更近的勾线盖住（层次 1 最近）" },
    { Ui::LensWidth, "%1 lens width", "%1 个光栅宽度" },
    { Ui::LensWidths, "%1 lens widths", "%1 个光栅宽度" },
    { Ui::MovementWarning, "%1: %2 per view", "%1：每个视角 %2" },
    { Ui::MovementExplanation,
        "\"%1\" moves %2 between neighbouring views: above one lens width it blurs and doubles in the "
        "print. View > Fit depth to lens brings the largest movement to one.",
        "“%1”在相邻视角间移动 %2：超过一个光栅宽度，打印时会模糊重影。"
        "显示 > 按光栅调整深度 可把最大移动降到一个。" },
    { Ui::MovesBetweenViews, "Moves %1 between neighbouring views", "在相邻视角间移动 %1" },
    { Ui::NothingToFit, "No layer moves between the views: there is no depth to fit.",
        "没有图层在视角间移动：没有可调整的深度。" },
    { Ui::DepthFitted,
        "Depth set to %1: the layer that moves most now moves at most one lens width between neighbouring "
        "views.",
        "景深已设为 %1：移动最多的图层在相邻视角间最多移动一个光栅宽度。" },
    { Ui::Writing, "Writing %1...", "正在写入 %1..." },
    { Ui::Cancel, "Cancel", "取消" },
    { Ui::ExportTitle, "Export tiff file", "输出 TIFF 文件" },
    { Ui::PitchTitle, "Pitch test sheet", "光栅间距测试图" },
    { Ui::PitchLpi, "LPI:", "线数:" },
    { Ui::PitchSpan, "Span:", "范围:" },
    { Ui::PitchSpanUnit, " LPI either side", " 线数（两侧各）" },
    { Ui::PitchStep, "Step:", "步长:" },
    { Ui::PitchDpi, "DPI:", "精度 (DPI):" },
    { Ui::PitchWidth, "Width:", "宽度:" },
    { Ui::PitchHeight, "Height:", "高度:" },
    { Ui::PitchInch, " inch", " 英寸" },
    { Ui::PitchPhaseTest, "Phase test: bands at this LPI with phases -0.5 .. 0.5",
        "相位测试：按此线数打印相位 -0.5 到 0.5 的各条" },
    { Ui::PitchReverse, "Reverse order", "反向排列" },
    { Ui::PitchPhaseHint,
        "Print the sheet with the lens on it and look straight on: the band that looks evenly white has the "
        "phase the print needs.",
        "打印测试图，盖上光栅板正面观看：看起来均匀全白的那一条就是印刷需要的相位。" },
    { Ui::PitchPitchHint,
        "Print the sheet with the lens on it and look from one angle: the band whose pitch matches the lens "
        "looks evenly black or white, the others show stripes.",
        "打印测试图，盖上光栅板从一个角度观看：间距与光栅相符的那一条看起来均匀全黑或全白，其余的有条纹。" },
    { Ui::PitchSave, "Save sheet...", "保存测试图..." },
};

constexpr bool InOrder() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
    return std::size(kTexts) == static_cast<std::size_t>(Ui::Count);
}
static_assert(InOrder(), "every Ui text once, in the order of the enumeration");

} // namespace

std::span<const UiText> UiTexts() {
    return kTexts;
}

QString Tr(Ui id, int language) {
    const UiText& text = kTexts[static_cast<std::size_t>(id)];
    return QString::fromUtf8(language == 1 ? text.chinese : text.english);
}

} // namespace deptrix
