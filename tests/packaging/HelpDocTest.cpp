#include "helpdoc/BashCompletion.h"
#include "helpdoc/HelpText.h"
#include "helpdoc/ManPage.h"

#include <gtest/gtest.h>

namespace deptrix::helpdoc {
namespace {

// The layouts the programs' help texts use: a form continued on a deeper-indented
// line, a description starting one blank after a long term, a term longer than the
// column, a term alone on its line, two names for one option, an argument, and an
// exit status whose meanings hold commas in brackets.
const char* kHelp = "Usage: tool --info FILE.psd\n"
                    "       tool FILE.psd [--dump DIR] [--compress none|lzw|deflate]\n"
                    "                     [--dpi D|auto] [--map N PATH ...]\n"
                    "\n"
                    "Does things\n"
                    "to pictures.\n"
                    "\n"
                    "  FILE              a picture\n"
                    "  --dump DIR        write the layers, each a\n"
                    "                    -0.5 .. 0.5 8-bit BMP\n"
                    "  --map N PATH      write map N; may be given several times\n"
                    "  --depthmap N PATH write one\n"
                    "  --maps N PATH write all\n"
                    "  --save-settings PATH  write settings\n"
                    "  --layer-depth N=BASE,SMOOTH,DEPTH\n"
                    "                    outline parameters\n"
                    "  --compress KIND   none, lzw or deflate\n"
                    "  --dpi D           dots per inch\n"
                    "  -h, --help        show this text\n"
                    "\n"
                    "Progress goes to standard error. Exit status: 0 on success, 1 when it fails (a file,\n"
                    "or a folder), 2 for a bad command line.\n";

TEST(HelpText, ReadsEveryPartOfTheLayout) {
    const HelpText help = ParseHelpText(kHelp);
    EXPECT_EQ(help.program, "tool");
    ASSERT_EQ(help.synopses.size(), 2u);
    EXPECT_EQ(help.synopses[0], "--info FILE.psd");
    EXPECT_EQ(help.synopses[1],
        "FILE.psd [--dump DIR] [--compress none|lzw|deflate] [--dpi D|auto] [--map N PATH ...]");
    EXPECT_EQ(help.description, std::vector<std::string> { "Does things to pictures." });

    ASSERT_EQ(help.options.size(), 10u);
    EXPECT_TRUE(help.options[0].names.empty());
    EXPECT_EQ(help.options[0].placeholders, std::vector<std::string> { "FILE" });
    EXPECT_EQ(help.options[1].description, "write the layers, each a -0.5 .. 0.5 8-bit BMP");
    for (const char* name : { "--depthmap", "--maps" }) {
        EXPECT_EQ(help.option(name)->placeholders, (std::vector<std::string> { "N", "PATH" })) << name;
        EXPECT_EQ(help.option(name)->description.substr(0, 6), "write ") << name;
    }
    EXPECT_EQ(help.option("--save-settings")->placeholders, std::vector<std::string> { "PATH" });
    EXPECT_EQ(help.option("--save-settings")->description, "write settings");
    EXPECT_EQ(help.option("--layer-depth")->placeholders, std::vector<std::string> { "N=BASE,SMOOTH,DEPTH" });
    EXPECT_EQ(help.option("--layer-depth")->description, "outline parameters");
    EXPECT_EQ(help.option("-h"), help.option("--help"));
    EXPECT_EQ(help.option("--help")->names, (std::vector<std::string> { "-h", "--help" }));

    EXPECT_EQ(help.notes, std::vector<std::string> { "Progress goes to standard error." });
    ASSERT_EQ(help.exitStatuses.size(), 3u);
    EXPECT_EQ(help.exitStatuses[1].code, "1");
    EXPECT_EQ(help.exitStatuses[1].meaning, "when it fails (a file, or a folder)");
    EXPECT_EQ(help.exitStatuses[2].meaning, "for a bad command line");
}

TEST(HelpText, RefusesTextsItCannotTurnIntoAPage) {
    auto refusal = [](const std::string& text) {
        try {
            ParseHelpText(text);
        } catch (const HelpTextError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal("tool --info\n\n  --info  facts\n\nExit status: 0 always.\n"),
        "line 1: the text must begin with \"Usage: \"");
    EXPECT_NE(refusal("Usage: tool\n\n  --info  facts\n").find("states no exit status"), std::string::npos);
    EXPECT_NE(refusal("Usage: tool\n\nExit status: 0 always.\n").find("lists no options"), std::string::npos);
    EXPECT_EQ(refusal("Usage: tool\n\n  --info  facts\n\nExit status: 0 always, one more.\n"), "accepted");
    EXPECT_NE(refusal("Usage: tool\n\n  --info  facts\n\nExit status: zero always.\n")
                  .find("not a code followed by its meaning"),
        std::string::npos);
}

TEST(HelpText, LiteralChoicesComeFromTheUsageForms) {
    const HelpText help = ParseHelpText(kHelp);
    EXPECT_EQ(LiteralChoices(help, "--compress"), (std::vector<std::string> { "none", "lzw", "deflate" }));
    EXPECT_EQ(LiteralChoices(help, "--dpi"), std::vector<std::string> { "auto" });
    EXPECT_TRUE(LiteralChoices(help, "--dump").empty());
}

TEST(ManPage, EscapesWhatRoffWouldReadOtherwise) {
    EXPECT_EQ(RoffText("--lpi -0.5 8-bit red/cyan --phase-test"),
        "\\-\\-lpi \\-0.5 8-bit red/cyan \\-\\-phase\\-test");
    EXPECT_EQ(RoffText("C:\\work"), "C:\\ework");
    EXPECT_EQ(RoffText(".tw3d2 files"), "\\&.tw3d2 files");
    EXPECT_EQ(RoffText("'quoted'"), "\\&'quoted'");
}

TEST(ManPage, FillsThePlaceholdersFromTheHelpText) {
    const HelpText help = ParseHelpText(kHelp);
    const std::string page = ManPage(help,
        { ".TH TOOL 1 @DATE@ \"Tool @VERSION@\"\n.SH SYNOPSIS\n@SYNOPSIS@\n.SH "
          "DESCRIPTION\n@DESCRIPTION@\n@NOTES@\n"
          ".SH OPTIONS\n@OPTIONS@\n.SH EXIT STATUS\n@EXIT_STATUS@\n.SH EXAMPLES\ntool \\-\\-dump out/\n",
            "2.5", "2026-01-02" });
    EXPECT_NE(page.find(".TH TOOL 1 2026-01-02 \"Tool 2.5\"\n"), std::string::npos);
    EXPECT_NE(page.find(".SY tool\n\\fB\\-\\-info\\fR \\fIFILE.psd\\fR\n.YS\n"), std::string::npos);
    EXPECT_NE(
        page.find("[\\fB\\-\\-compress\\fR \\fBnone\\fR|\\fBlzw\\fR|\\fBdeflate\\fR]"), std::string::npos);
    EXPECT_NE(page.find(".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nshow this text\n"), std::string::npos);
    EXPECT_NE(page.find(".TP\n\\fIFILE\\fR\na picture\n"), std::string::npos);
    EXPECT_NE(page.find(".TP\n.B 2\nfor a bad command line\n"), std::string::npos);
    EXPECT_NE(page.find("Progress goes to standard error."), std::string::npos);
    EXPECT_EQ(page.find('@'), std::string::npos);
}

TEST(ManPage, RefusesASourceThatFellBehindTheOptions) {
    const HelpText help = ParseHelpText(kHelp);
    const std::string complete = "@SYNOPSIS@\n@DESCRIPTION@\n@NOTES@\n@OPTIONS@\n@EXIT_STATUS@\n";
    EXPECT_THROW(ManPage(help, { complete + "tool \\-\\-views out/\n", "1", "2026-01-02" }), HelpTextError);
    EXPECT_THROW(ManPage(help, { complete + "see --views\n", "1", "2026-01-02" }), HelpTextError);
    EXPECT_THROW(ManPage(help, { "@SYNOPSIS@\n@DESCRIPTION@\n@NOTES@\n@OPTIONS@\n", "1", "2026-01-02" }),
        HelpTextError);
    EXPECT_NO_THROW(ManPage(help, { complete + "tool \\-\\-dump out/ and a-\\-b\n", "1", "2026-01-02" }));
}

TEST(BashCompletion, TellsWhatFollowsEachOption) {
    const std::string script
        = BashCompletion(ParseHelpText(kHelp), "names=(\n@OPTIONS@\n)\nvalues=(\n@VALUES@\n)\n");
    EXPECT_NE(script.find("    --dump\n    --map\n"), std::string::npos);
    EXPECT_NE(script.find("    -h\n    --help\n"), std::string::npos);
    EXPECT_NE(script.find("[--dump]=\"dir\""), std::string::npos);
    EXPECT_NE(script.find("[--map]=\"- file\""), std::string::npos);
    EXPECT_NE(script.find("[--save-settings]=\"file\""), std::string::npos);
    EXPECT_NE(script.find("[--compress]=\"none,lzw,deflate\""), std::string::npos);
    EXPECT_NE(script.find("[--dpi]=\"auto\""), std::string::npos);
    EXPECT_NE(script.find("[--layer-depth]=\"-\""), std::string::npos);
    EXPECT_EQ(script.find("[--help]"), std::string::npos);
    EXPECT_THROW(BashCompletion(ParseHelpText(kHelp), "@OPTIONS@\n"), HelpTextError);
}

} // namespace
} // namespace deptrix::helpdoc
