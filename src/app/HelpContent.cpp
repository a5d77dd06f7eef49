#include "app/HelpContent.h"

namespace deptrix {

namespace {

constexpr HelpPicture kOutlinePictures[] = { HelpPicture::DrawOutline, HelpPicture::NearAndFar };
constexpr HelpPicture kEditingPictures[] = { HelpPicture::Editing };
constexpr HelpPicture kDepthPictures[] = { HelpPicture::DepthAndSmooth };
constexpr HelpPicture kDepthMapPictures[] = { HelpPicture::DepthMap };
constexpr HelpPicture kPrintPictures[] = { HelpPicture::Print };

const HelpSection kSections[] = {
    { "Two ways of working", "两种工作方式",
        "<p>Deptrix turns a layered picture into the views of a lenticular (3D) or flip print.</p>"
        "<p><b>From a project:</b> open it (Ctrl+O); its picture and settings are loaded together. "
        "Press Preview (F9) to watch the seven views, Stop (F10), then export.</p>"
        "<p><b>From a layered PSD:</b> import it (Ctrl+I). Every layer becomes a flat plane; the layer "
        "table shows each layer's depth offset in pixels (negative: in front of the focus layer, "
        "positive: behind it). Adjust the offsets, the focus layer (\"Layer 0:\") and the depth factor, "
        "optionally draw outlines on a single layer, then Preview, Stop and export. Layers in a folder "
        "named \"flip...\" take turns from view to view.</p>"
        "<p>Outputs after Stop: red/blue glasses picture (F11), animated GIF (Ctrl+G), stereo pair "
        "(File menu) and the print file (Ctrl+E).</p>",
        "<p>Deptrix 把分层的图片变成光栅（立体）或变图印刷所需的各个视角。</p>"
        "<p><b>从项目开始：</b>打开项目（Ctrl+O），图片和设置一起载入。按预览（F9）观看七个视角，"
        "按停止（F10），然后输出。</p>"
        "<p><b>从分层 PSD 开始：</b>导入（Ctrl+I）。每个图层成为一个平面；图层表列出每层的移位"
        "（像素，负数在焦点层之前，正数在其后）。调整移位、焦点层（“焦点层:”）和景深（“景深:”），"
        "需要时在单层上勾线，然后预览、停止并输出。名称以“flip”开头的图层文件夹里的图层在各视角间轮流出现。</"
        "p>"
        "<p>停止后可以输出：红绿眼镜图（F11）、Gif "
        "动画（Ctrl+G）、立体对（文件菜单）和印刷文件（Ctrl+E）。</p>",
        {} },
    { "Drawing outlines", "勾线",
        "<p>An outline gives one layer depth of its own. Choose the layer's row and open the DrawLine tab "
        "(or press Ctrl+B): the layer is shown alone and Draw Line is the active tool.</p>"
        "<p>Each <b>left click</b> adds a point; a <b>right click</b> closes the outline. The outline gets "
        "the order chosen in the Order column.</p>"
        "<p><b>Order 1 is nearest, 15 farthest</b>, and a nearer outline covers a farther one. Draw a relief "
        "from the outside in: the outer outline at a far order, the outlines inside it at nearer (lower) "
        "orders, like contour lines on a hill seen from above. An outline closed wholly under a nearer "
        "one cannot be seen; the status bar says so.</p>"
        "<p>The View boxes show or hide each order's outlines. Layer0 chooses the order that stays in "
        "place between the views: nearer orders move one way, farther ones the other.</p>",
        "<p>勾线让一个图层有自己的起伏。在图层表中选中该层，打开“单层勾线”页（或按 Ctrl+B）："
        "画面只显示这一层，当前工具是勾线。</p>"
        "<p>每次<b>单击左键</b>加一个点，<b>单击右键</b>闭合勾线。勾线取“层次”一栏中选中的层次。</p>"
        "<p><b>层次 1 最近，15 最远</b>，较近的勾线盖住较远的。起伏要由外向内画：外圈用较远的层次，"
        "里面的勾线用较近（较小）的层次，就像从上方看山的等高线。完全被较近勾线盖住的勾线看不见，"
        "状态栏会提示。</p>"
        "<p>“显示”一栏的方框显示或隐藏各层次的勾线。“基准层”选出在各视角间不动的层次："
        "较近的层次向一边移动，较远的向另一边。</p>",
        kOutlinePictures },
    { "Editing and undo", "修改与撤销",
        "<p>The point tools add a point on an outline, move a point or delete one; the move tool drags "
        "a whole outline (Shift adds or removes an outline from the selection). Delete line, Delete Layer "
        "and Delete All remove the last outline, every outline of the current order, or all.</p>"
        "<p>Ctrl+A selects every shown outline, Ctrl+T scales and moves the selection by its box and "
        "handles (Shift on a corner keeps the proportions; a double click or Enter ends it). Del deletes, "
        "Ctrl+X cuts, Ctrl+C copies and Ctrl+V pastes outlines, on this layer or another. The order buttons "
        "move the selected outlines one order nearer or farther.</p>"
        "<p><b>Ctrl+Z</b> takes back the last point while an outline is being drawn and otherwise undoes "
        "the last outline edit; Ctrl+Shift+Z (or Ctrl+Y) redoes. Each layer keeps its own history while you "
        "switch layers, tabs and previews, until another picture or project is opened.</p>",
        "<p>点工具可在勾线上加点、移动点或删除点；移动工具拖动整条勾线（按住 Shift 把勾线加入或移出选择）。"
        "“删除单条线”、“删除单层线”和“删除所有线”分别删除最后一条勾线、当前层次的所有勾线或全部勾线。</p>"
        "<p>Ctrl+A 选中所有显示着的勾线，Ctrl+T 用选框和手柄缩放、移动所选（在角上按住 Shift 保持比例；"
        "双击或按回车结束）。Del 删除，Ctrl+X 剪切，Ctrl+C 复制，Ctrl+V 粘贴到本层或其他层。"
        "层次按钮把所选勾线移近或移远一个层次。</p>"
        "<p>正在勾线时 <b>Ctrl+Z</b> 撤回最后一个点，否则撤销最后一次勾线修改；Ctrl+Shift+Z（或 "
        "Ctrl+Y）重做。"
        "每个图层有自己的历史，切换图层、页面和预览时都保留，直到打开另一张图片或项目。</p>",
        kEditingPictures },
    { "Depth and smooth", "景深与光滑",
        "<p><b>Depth:</b> sets how far the layer's relief reaches: a larger value moves the near parts "
        "further from the far ones. <b>Smooth:</b> sets how soft the edges between orders are: low leaves "
        "steps, high rounds them into slopes.</p>"
        "<p>The tab's Preview plays the layer alone in the seven views, Stop ends it. The main Preview "
        "rebuilds every layer with outlines first, so the relief appears in the composed views.</p>",
        "<p><b>景深：</b>决定图层起伏的幅度：数值越大，近处离远处越远。<b>边界光滑度：</b>决定层次之间边界的"
        "柔和程度：小则成台阶，大则成斜坡。</p>"
        "<p>本页的“单层预览”只播放这一层的七个视角，“停止”结束。主预览会先重建所有有勾线的图层，"
        "起伏就出现在合成的视角中。</p>",
        kDepthPictures },
    { "The depth map", "深度图",
        "<p><b>Depth map</b> (on the tab or View &gt; Depth map) shows the depth the outlines make, near "
        "light and far dark; press it again, or edit, to return to the layer. Load depth map... takes the "
        "relief from a greyscale picture instead (light near, dark far); Clear depth map makes the layer "
        "flat again. View &gt; Save depth map... writes the depth the layer gets.</p>",
        "<p><b>深度图</b>（本页按钮或“显示 &gt; 深度图”）显示勾线形成的深度，近处亮、远处暗；"
        "再按一次或进行修改即回到图层。“载入深度图...”改用灰度图片决定起伏（亮为近，暗为远）；"
        "“清除深度图”让图层恢复平面。“显示 &gt; 保存深度图...”保存图层得到的深度。</p>",
        kDepthMapPictures },
    { "The print", "印刷",
        "<p>A lenticular print lays one thin strip of every view under each lens. <b>LPI</b> is the lens "
        "count per inch, so the <b>lens pitch</b> is 1/LPI inch; the printer's <b>DPI</b> (OutDPI) sets how "
        "many pixels each lens gets. Width sets the printed width; H Scale prints rows that many pixels "
        "high.</p>"
        "<p>Every lens sheet differs a little from its label: print File &gt; <b>Pitch test sheet...</b>, "
        "look through the lens, and take the pitch of the band that looks evenly black or white from one "
        "angle as your LPI.</p>"
        "<p>A layer that moves more than one lens width between neighbouring views blurs in the print: "
        "the layer table marks its offset in red and the status bar names it. View &gt; <b>Fit depth to "
        "lens</b> sets the depth factor so that the largest movement is one lens width.</p>"
        "<p>After Stop, File &gt; <b>Export *.tiff</b> (Ctrl+E) shows what the print will be (size, "
        "resolution, pixels per lens, file size) and writes the interlaced TIFF from the PSD's full-"
        "resolution layers. The dialog also sets the <b>frames</b> (from the Angles field: more frames give "
        "smoother motion but need narrower strips), the lens direction (vertical for 3D, horizontal for flip "
        "and animation), crop marks with alignment bars in a margin, and a bleed.</p>",
        "<p>光栅印刷在每个光栅下放每个视角的一条细条。<b>线数</b>（LPI）是每英寸的光栅数，所以"
        "<b>光栅间距</b>是 1/LPI 英寸；打印机的 <b>DPI</b>（“精度:”）决定每个光栅有多少像素。"
        "“宽度:”决定印刷宽度；“压缩:”让每行印成这么多像素高。</p>"
        "<p>每张光栅板都与标称值略有不同：先打印“文件 &gt; <b>光栅间距测试图...</b>”，透过光栅观看，"
        "从一个角度看起来均匀全黑或全白的那一条的间距就是你的线数。</p>"
        "<p>在相邻视角间移动超过一个光栅宽度的图层打印时会模糊：图层表把它的移位标红，状态栏写出它的名字。"
        "“显示 &gt; <b>按光栅调整深度</b>”设置“景深:”，使最大移动正好是一个光栅宽度。</p>"
        "<p>停止预览后，“文件 &gt; <b>输出Tiff</b>”（Ctrl+E）先显示印刷结果（尺寸、精度、每个光栅的像素、"
        "文件大小），再用 PSD 的原始分辨率图层写出交错的 TIFF。对话框还可设定<b>帧数</b>（取自“镜头数:”："
        "帧数越多动作越流畅，但条纹越窄）、光栅方向（竖向用于立体，横向用于变图和动画）、"
        "带对位条的裁切线边距以及出血。</p>",
        kPrintPictures },
    { "Projects and settings", "项目与设置",
        "<p>File &gt; <b>Saveproject</b> (Ctrl+S) saves the whole set-up of the picture (3D parameters, "
        "output settings, every layer's offset, outline parameters and lines) as a .tw3d2 file. Keep it "
        "beside the PSD: Open project (Ctrl+O) imports the picture of that name from the project's folder "
        "and applies the set-up. Save settings (Ctrl+Alt+S) and Open settings (Ctrl+Alt+O) do the same for "
        "the picture already open. Save project as... (Ctrl+Shift+S) always asks where.</p>"
        "<p>A * in the title means there are changes no file holds yet; closing, importing or opening asks "
        "first whether to save them. While they are unsaved a recovery copy is kept, and after a crash the "
        "next start offers to restore the work.</p>"
        "<p>The lens and output settings are kept between runs. Zoom with Ctrl++ and Ctrl+-, fit with "
        "Ctrl+0, hold the space bar and drag to pan. Ctrl+Alt+C switches between English and Chinese.</p>",
        "<p>“文件 &gt; "
        "<b>保存项目</b>”（Ctrl+S）把图片的全部设置（立体参数、输出设置、每层移位、勾线参数和勾线）"
        "保存为 .tw3d2 文件。请放在 PSD 旁边：“打开项目”（Ctrl+O）从项目所在文件夹导入同名图片并应用设置。"
        "“另存为设置”（Ctrl+Alt+S）和“打开为设置”（Ctrl+Alt+O）对已打开的图片做同样的事。"
        "“项目另存为...”（Ctrl+Shift+S）总是询问保存位置。</p>"
        "<p>标题中的 * 表示有尚未保存到文件的修改；关闭、导入或打开前会先询问是否保存。"
        "未保存期间会保留一份恢复副本，程序意外退出后，下次启动时可恢复工作。</p>"
        "<p>光栅和输出设置在下次运行时保留。Ctrl++ 和 Ctrl+- 缩放，Ctrl+0 适合窗口，按住空格拖动可平移。"
        "Ctrl+Alt+C 在英文和中文之间切换。</p>",
        {} },
};

} // namespace

std::span<const HelpSection> HelpSections() {
    return kSections;
}

QUrl HelpPictureAddress(HelpPicture picture) {
    return QUrl(QString("help-picture:%1.png").arg(static_cast<int>(picture)));
}

QString HelpDocument(int language) {
    QString html;
    for (const HelpSection& section : kSections) {
        html += "<h3>" + QString::fromUtf8(language == 1 ? section.chineseTitle : section.englishTitle)
            + "</h3>";
        if (!section.pictures.empty()) {
            html += "<p>";
            for (HelpPicture picture : section.pictures)
                html += "<img src=\"" + HelpPictureAddress(picture).toString() + "\"> ";
            html += "</p>";
        }
        html += QString::fromUtf8(language == 1 ? section.chineseBody : section.englishBody);
    }
    return html;
}

} // namespace deptrix
