// A run killed at any moment of its file work leaves the old outputs or the new ones,
// never a mix, and the next run leaves none of its litter: no temporary file of the
// target, no work folder of the killed run.

#include "BatchTestSupport.h"
#include "core/FileIo.h"
#include "core/TemporaryFiles.h"
#include "import/PsdWriter.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

namespace deptrix {
namespace {

namespace fs = std::filesystem;

constexpr int kStopped = 77; // the stopping batch's exit status when it stopped

// A small picture of two layers in one colour each: the views of two shades differ in
// every byte of their pixels.
void WriteSmallPsd(const fs::path& path, std::uint16_t shade) {
    PsdWriterOptions options;
    options.width = 40;
    options.height = 30;
    PsdWriter writer(options);
    for (int i = 0; i < 2; ++i) {
        PsdLayerSpec layer;
        layer.name = "layer " + std::to_string(i);
        layer.box = { 5 * i, 5 * i, 30, 40 };
        const auto pixels = static_cast<std::size_t>(layer.box.width() * layer.box.height());
        layer.colour = { PsdPlane(pixels, shade), PsdPlane(pixels, static_cast<std::uint16_t>(60 * i)),
            PsdPlane(pixels, 200) };
        writer.addLayer(layer);
    }
    WriteFileAtomically(path, writer.finish());
}

class InterruptedRun : public test::BatchFolderTest {
protected:
    const fs::path temporary = folder / "tmp"; // the runs' temporary folder
    const fs::path oldPicture = folder / "old.psd";
    const fs::path newPicture = folder / "new.psd";

    void SetUp() override {
        fs::create_directory(temporary);
        WriteSmallPsd(oldPicture, 10);
        WriteSmallPsd(newPicture, 250);
    }

    /// Runs the batch, stopped dead at its `step`-th step (never for 0). Returns the names
    /// of the steps a run that finished took; none when it stopped.
    std::vector<std::string> run(long step, const std::vector<std::string>& arguments) {
        const fs::path output = folder / "steps.txt";
        std::vector<std::string> words { DEPTRIX_STOPPING_BATCH, std::to_string(step) };
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<std::string> variables { "TMPDIR=" + temporary.string() };
        for (char** variable = environ; *variable; ++variable)
            if (std::string_view(*variable).substr(0, 7) != "TMPDIR=") variables.emplace_back(*variable);
        std::vector<char*> envp;
        for (std::string& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return {};
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == kStopped) return {};
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "step " << step << ", status " << status;
        std::vector<std::string> names;
        std::istringstream lines(test::ReadText(output));
        for (std::string line; std::getline(lines, line);) names.push_back(line);
        return names;
    }

    /// Stops a run at each of its steps over the outputs `reset` puts back each time;
    /// `check` judges what the stopped run left, then the next, whole run must leave
    /// exactly `outputs` in `outputFolder` and nothing in the temporary folder.
    void stopAtEveryStep(const std::vector<std::string>& arguments, const std::function<void()>& reset,
        const std::function<void(long step)>& check, const fs::path& outputFolder,
        const std::set<std::string>& outputs) {
        reset();
        const std::vector<std::string> steps = run(0, arguments);
        ASSERT_GT(steps.size(), 10u);
        long tried = 0;
        long stopped = 0;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            // Of several writes in a row, the first and the last stand for the others.
            if (i > 0 && i + 1 < steps.size() && steps[i - 1] == steps[i] && steps[i + 1] == steps[i])
                continue;
            const auto step = static_cast<long>(i + 1);
            ++tried;
            reset();
            if (run(step, arguments).empty()) ++stopped;
            check(step);
            run(0, arguments);
            EXPECT_EQ(test::TestFolder::NamesIn(outputFolder), outputs) << "step " << step;
            EXPECT_TRUE(test::TestFolder::NamesIn(temporary).empty()) << "step " << step;
        }
        // Work files written on other threads may shift a step; nearly every one stops.
        EXPECT_GE(stopped * 10, tried * 9);
    }
};

TEST_F(InterruptedRun, ViewsAreTheOldSetOrTheNewNeverAMix) {
    const fs::path views = folder / "views";
    const auto set = [](const fs::path& from) {
        std::vector<std::string> bytes;
        for (int n = 1; n <= 7; ++n)
            bytes.push_back(test::ReadText(from / ("view" + std::to_string(n) + ".bmp")));
        return bytes;
    };
    run(0, { oldPicture.string(), "--views", views.string() });
    const std::vector<std::string> oldSet = set(views);
    run(0, { newPicture.string(), "--views", views.string() });
    const std::vector<std::string> newSet = set(views);
    ASSERT_NE(oldSet[0], newSet[0]);

    std::set<std::string> names;
    for (int n = 1; n <= 7; ++n) names.insert("view" + std::to_string(n) + ".bmp");
    stopAtEveryStep(
        { newPicture.string(), "--views", views.string() },
        [&] {
            for (int n = 1; n <= 7; ++n)
                test::WriteText(
                    views / ("view" + std::to_string(n) + ".bmp"), oldSet[static_cast<std::size_t>(n - 1)]);
        },
        [&](long step) {
            // What the next write in the folder does first: finish a set whose renames began.
            CompleteInterruptedFileSets(views);
            const std::vector<std::string> left = set(views);
            EXPECT_TRUE(left == oldSet || left == newSet) << "a mixed set after a stop at step " << step;
        },
        views, names);
}

TEST_F(InterruptedRun, APrintIsTheOldOrTheNew) {
    const fs::path print = folder / "prints" / "print.tif";
    fs::create_directory(folder / "prints");
    const auto arguments = [&](const fs::path& picture) {
        return std::vector<std::string> { picture.string(), "--interlace", print.string(), "--lpi", "10",
            "--dpi", "100", "--width", "1" };
    };
    run(0, arguments(oldPicture));
    const std::string oldPrint = test::ReadText(print);
    run(0, arguments(newPicture));
    const std::string newPrint = test::ReadText(print);
    ASSERT_NE(oldPrint, newPrint);
    stopAtEveryStep(
        arguments(newPicture), [&] { test::WriteText(print, oldPrint); },
        [&](long step) {
            const std::string left = test::ReadText(print);
            EXPECT_TRUE(left == oldPrint || left == newPrint) << "step " << step;
        },
        folder / "prints", { "print.tif" });
}

} // namespace
} // namespace deptrix
