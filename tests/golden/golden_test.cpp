// The golden frames: every scene of scenes.txt played through WinMain on the headless host, its last frame
// compared pixel for pixel with the reviewed picture <scene>.png. On a mismatch the frame and a difference
// image (differing pixels magenta, the rest dimmed) go to GOLDEN_OUT_DIR in the build tree.
//   MIRRORS_RECORD_GOLDEN=1 ctest -R golden    writes the pictures anew, to be looked at before committing
#include "headless_host.h"
#include "platform_hooks.h"
#include "png_file.h"
#include "program_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

struct step {
    std::string kind;
    int x = 0, y = 0;
};

struct golden_scene {
    std::string name;
    std::vector<step> steps;
    std::string error; // why its line of the table could not be read
};
void PrintTo(const golden_scene& s, std::ostream* out) {
    *out << s.name;
}

std::vector<golden_scene> read_table() {
    static const std::set<std::string> at_point = {"move", "size", "post-move", "post-right"};
    std::ifstream in(GOLDEN_DIR "/scenes.txt");
    std::vector<golden_scene> scenes;
    std::map<std::string, std::vector<step>> known;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        golden_scene scene;
        if (line[0] == '#' || !(words >> scene.name)) {
            continue;
        }
        for (std::string word; words >> word;) {
            step s{word};
            char comma = 0;
            if (known.count(word)) {
                scene.steps.insert(scene.steps.end(), known[word].begin(), known[word].end());
                continue;
            } else if (at_point.count(word) && !(words >> s.x >> comma >> s.y && comma == ',')) {
                scene.error = word + " needs X,Y";
            } else if (!at_point.count(word) && word != "left" && word != "right") {
                scene.error = "unknown step " + word;
            }
            scene.steps.push_back(s);
        }
        known[scene.name] = scene.steps;
        scenes.push_back(scene);
    }
    return scenes; // none: gtest fails the uninstantiated suite
}

// Steps 20 ms apart from 20 ms on, so that each shows in a frame; the window closes 20 ms after the last.
// Also counts the frames that leave another number of GDI objects behind than the first one did.
png_file::image play(const std::vector<step>& steps, int& leaking_frames) {
    using headless::input;
    std::vector<headless::scripted_input> script, posts; // posts: the message in `key`
    std::uint64_t t = 20;
    int x = 0, y = 0;
    for (const step& s : steps) {
        bool left = s.kind == "left";
        if (s.kind == "move") {
            script.push_back({t, input::mouse_move, x = s.x, y = s.y});
        } else if (left || s.kind == "right") {
            script.push_back({t, left ? input::left_down : input::right_down, x, y});
            script.push_back({t + 1, left ? input::left_up : input::right_up, x, y});
        } else if (s.kind == "size") {
            script.push_back({t, input::resize, s.x, s.y});
        } else {
            UINT message = s.kind == "post-move" ? WM_MOUSEMOVE : WM_RBUTTONUP;
            posts.push_back({t, input::mouse_move, s.x, s.y, message});
        }
        t += 20;
    }
    script.push_back({t, input::close_button});
    int first_count = -1;
    std::size_t posted = 0;
    auto watch = [&](headless::frame_view, std::uint64_t now) {
        int count = platform::gdi_object_count();
        leaking_frames += first_count >= 0 && count != first_count ? 1 : 0;
        first_count = first_count < 0 ? count : first_count;
        for (; posted < posts.size() && posts[posted].at_ms <= now; ++posted) {
            PostMessageA(platform::first_window(), posts[posted].key, 0,
                         MAKELPARAM(posts[posted].x, posts[posted].y));
        }
    };
    program_run::result run = program_run::run(script, program_run::frames_kept::last, watch);
    EXPECT_EQ(run.exit_code, 0);
    if (run.frames.empty()) {
        return {};
    }
    const headless::frame& last = run.frames.back().pixels;
    return {last.width, last.height, last.pixels};
}

class golden : public testing::TestWithParam<golden_scene> {};

TEST_P(golden, last_frame_equals_its_picture) {
    const golden_scene& s = GetParam();
    ASSERT_EQ(s.error, "") << s.name;
    int leaking_frames = 0;
    png_file::image frame = play(s.steps, leaking_frames), want, diff = frame;
    EXPECT_EQ(leaking_frames, 0) << "frames that leave GDI objects behind (or delete too many)";
    const std::string picture = GOLDEN_DIR "/" + s.name + ".png";
    if (const char* record = std::getenv("MIRRORS_RECORD_GOLDEN"); record && std::string(record) == "1") {
        ASSERT_EQ(png_file::write(picture, frame), "");
        return;
    }
    ASSERT_EQ(png_file::read(picture, want), "") << "(MIRRORS_RECORD_GOLDEN=1 ctest -R golden records it)";
    std::ostringstream first;
    int differing = 0;
    bool same_size = want.width == frame.width && want.height == frame.height;
    for (std::size_t i = 0; same_size && i < want.pixels.size(); ++i) {
        diff.pixels[i] = want.pixels[i] == frame.pixels[i] ? (frame.pixels[i] >> 2) & 0x3F3F3F : 0xFF00FF;
        if (want.pixels[i] != frame.pixels[i] && ++differing <= 8) {
            first << " (" << i % static_cast<std::size_t>(want.width) << ", "
                  << i / static_cast<std::size_t>(want.width) << ") " << std::hex << want.pixels[i] << " -> "
                  << frame.pixels[i] << std::dec;
        }
    }
    if (same_size && differing == 0) {
        return;
    }
    const std::filesystem::path out = GOLDEN_OUT_DIR; // the frame and the difference image, for a look
    std::filesystem::create_directories(out);
    EXPECT_EQ(png_file::write((out / (s.name + ".png")).string(), frame), "");
    EXPECT_EQ(same_size ? png_file::write((out / (s.name + "-diff.png")).string(), diff) : "", "");
    ADD_FAILURE() << "the frame (" << frame.width << " x " << frame.height << ", now in " << out.string()
                  << ") differs from " << picture << " (" << want.width << " x " << want.height << ") in "
                  << differing << " pixels, first (x, y) wanted -> drawn:" << first.str();
}

INSTANTIATE_TEST_SUITE_P(scenes, golden, testing::ValuesIn(read_table()),
                         [](const testing::TestParamInfo<golden_scene>& info) { return info.param.name; });

} // namespace
