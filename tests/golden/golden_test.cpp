// The golden frames: every scene of scenes.txt played through WinMain on the headless host, and its last
// frame compared pixel for pixel with the reviewed picture <scene>.png. On a mismatch the frame and a
// difference image (differing pixels magenta, the rest dimmed) go to GOLDEN_OUT_DIR in the build tree.
//   MIRRORS_RECORD_GOLDEN=1 ctest -R golden    writes the pictures anew, to be looked at before committing
#include "headless_host.h"
#include "host.h"
#include "platform_hooks.h"
#include "png_file.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct step {
    std::string kind;
    int x = 0, y = 0;
};

struct golden_scene {
    std::string name;
    std::vector<step> steps;
    std::string error; // why the table line could not be read
};

std::vector<golden_scene> read_table() {
    std::ifstream in(GOLDEN_DIR "/scenes.txt");
    std::vector<golden_scene> scenes;
    std::map<std::string, std::vector<step>> known;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        golden_scene scene;
        if (line.empty() || line[0] == '#' || !(words >> scene.name)) {
            continue;
        }
        for (std::string word; words >> word;) {
            if (known.count(word)) {
                scene.steps.insert(scene.steps.end(), known[word].begin(), known[word].end());
                continue;
            }
            step s{word};
            bool click = word == "left" || word == "right";
            bool at_point = word == "move" || word == "size" || word == "post-move" || word == "post-right";
            char comma = 0;
            if (!click && !at_point) {
                scene.error = "unknown step " + word;
            } else if (at_point && !(words >> s.x >> comma >> s.y && comma == ',')) {
                scene.error = word + " needs X,Y";
            }
            scene.steps.push_back(s);
        }
        known[scene.name] = scene.steps;
        scenes.push_back(scene);
    }
    if (scenes.empty()) {
        scenes.push_back({"table", {}, "no scenes in " GOLDEN_DIR "/scenes.txt"});
    }
    return scenes;
}

void PrintTo(const golden_scene& s, std::ostream* out) { *out << s.name; }

struct played {
    png_file::image frame;
    int frames_with_other_gdi_count = 0; // than after the first frame
};

// Steps 20 ms apart from 20 ms on, so that every step shows in a frame; the window closes 20 ms after the
// last.
played play(const std::vector<step>& steps) {
    using headless::input;
    std::vector<headless::scripted_input> script;
    std::vector<std::pair<headless::scripted_input, UINT>> posts;
    std::uint64_t t = 20;
    int x = 0, y = 0;
    for (const step& s : steps) {
        if (s.kind == "move") {
            x = s.x, y = s.y;
            script.push_back({t, input::mouse_move, x, y});
        } else if (s.kind == "left" || s.kind == "right") {
            bool left = s.kind == "left";
            script.push_back({t, left ? input::left_down : input::right_down, x, y});
            script.push_back({t + 1, left ? input::left_up : input::right_up, x, y});
        } else if (s.kind == "size") {
            script.push_back({t, input::resize, s.x, s.y});
        } else {
            UINT message = s.kind == "post-move" ? WM_MOUSEMOVE : WM_RBUTTONUP;
            posts.push_back({{t, input::mouse_move, s.x, s.y}, message});
        }
        t += 20;
    }
    script.push_back({t, input::close_button});

    headless::reset();
    scene = scene_state{};
    headless::set_script(script);
    played result;
    int first_count = -1;
    std::size_t next_post = 0;
    headless::set_paint_observer([&](const platform::pixel_buffer& pixels, std::uint64_t now) {
        int count = platform::gdi_object_count();
        result.frames_with_other_gdi_count += first_count >= 0 && count != first_count ? 1 : 0;
        first_count = first_count < 0 ? count : first_count;
        result.frame = {pixels.width, pixels.height, pixels.pixels};
        for (; next_post < posts.size() && posts[next_post].first.at_ms <= now; ++next_post) {
            const headless::scripted_input& p = posts[next_post].first;
            PostMessageA(platform::input::first_window(), posts[next_post].second, 0, MAKELPARAM(p.x, p.y));
        }
    });
    testing::internal::CaptureStderr(); // the right-button releases' debugger lines
    int exit_code = WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    testing::internal::GetCapturedStderr();
    headless::set_paint_observer(nullptr);
    EXPECT_EQ(exit_code, 0);
    return result;
}

std::string hex(std::uint32_t p) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", p);
    return text;
}

class golden : public testing::TestWithParam<golden_scene> {};

TEST_P(golden, last_frame_equals_its_picture) {
    const golden_scene& s = GetParam();
    ASSERT_TRUE(s.error.empty()) << s.name << ": " << s.error;
    played run = play(s.steps);
    EXPECT_EQ(run.frames_with_other_gdi_count, 0)
        << "frames that leave GDI objects behind (or delete too many)";
    const std::string picture = GOLDEN_DIR "/" + s.name + ".png";
    const char* record = std::getenv("MIRRORS_RECORD_GOLDEN");
    if (record != nullptr && std::string(record) == "1") {
        ASSERT_EQ(png_file::write(picture, run.frame), "");
        return;
    }
    png_file::image want;
    std::string failure = png_file::read(picture, want);
    ASSERT_EQ(failure, "") << "(MIRRORS_RECORD_GOLDEN=1 ctest -R golden records the pictures)";

    png_file::image diff = run.frame;
    std::ostringstream first;
    int differing = 0;
    bool same_size = want.width == run.frame.width && want.height == run.frame.height;
    for (std::size_t i = 0; same_size && i < want.pixels.size(); ++i) {
        diff.pixels[i] = (run.frame.pixels[i] >> 2) & 0x3F3F3F;
        if (want.pixels[i] != run.frame.pixels[i]) {
            diff.pixels[i] = 0xFF00FF;
            if (++differing <= 8) {
                first << " (" << i % static_cast<std::size_t>(want.width) << ", "
                      << i / static_cast<std::size_t>(want.width) << ") " << hex(want.pixels[i]) << " -> "
                      << hex(run.frame.pixels[i]);
            }
        }
    }
    if (same_size && differing == 0) {
        return;
    }
    const std::filesystem::path out = GOLDEN_OUT_DIR;
    std::filesystem::create_directories(out);
    EXPECT_EQ(png_file::write((out / (s.name + ".png")).string(), run.frame), "");
    EXPECT_EQ(same_size ? png_file::write((out / (s.name + "-diff.png")).string(), diff) : "", "");
    ADD_FAILURE() << s.name << ": the frame (" << run.frame.width << " x " << run.frame.height << ", in "
                  << out.string() << ") differs from " << picture << " (" << want.width << " x "
                  << want.height << ") in " << differing
                  << " pixels, first (x, y) wanted -> drawn:" << first.str();
}

INSTANTIATE_TEST_SUITE_P(scenes, golden, testing::ValuesIn(read_table()),
                         [](const testing::TestParamInfo<golden_scene>& info) { return info.param.name; });

} // namespace
