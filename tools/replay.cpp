// Replays scripted input through the whole program on the headless host and writes the last painted frame,
// for comparisons with other hosts (the web proof compares it with the browser's canvas).
//   usage: replay <script> <out.ppm>
// The script has one input a line: "<ms> <kind> <x> <y>" with kind one of move, left_down, left_up,
// right_down, right_up, resize (x, y: the new client size), close, or a finger's touch_down, touch_move,
// touch_up, touch_cancel followed by the finger's number; "#" starts a comment. The frame is a
// binary PPM (P6) of the client area.
#include "program_run.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool read_script(const char* path, std::vector<headless::scripted_input>* script, std::string* error) {
    using headless::input;
    const std::map<std::string, input> kinds = {
        {"move", input::mouse_move},          {"left_down", input::left_down},
        {"left_up", input::left_up},          {"right_down", input::right_down},
        {"right_up", input::right_up},        {"resize", input::resize},
        {"close", input::close_button},       {"touch_down", input::touch_down},
        {"touch_move", input::touch_move},    {"touch_up", input::touch_up},
        {"touch_cancel", input::touch_cancel}};
    std::ifstream file(path);
    if (!file) {
        *error = "cannot read the script";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        headless::scripted_input in{};
        std::string kind;
        if (!(fields >> in.at_ms >> kind >> in.x >> in.y) || kinds.count(kind) == 0) {
            *error = "line " + std::to_string(number) + " is not \"<ms> <kind> <x> <y>\"";
            return false;
        }
        in.kind = kinds.at(kind);
        fields >> in.contact;
        script->push_back(in);
    }
    return true;
}

bool write_ppm(const char* path, const headless::frame& frame) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", frame.width, frame.height);
    std::vector<unsigned char> row(static_cast<std::size_t>(frame.width) * 3);
    bool ok = true;
    for (int y = 0; y < frame.height && ok; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            std::uint32_t p = frame.pixels[static_cast<std::size_t>(y) * frame.width + x];
            row[x * 3 + 0] = static_cast<unsigned char>(p >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(p);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: replay <script> <out.ppm>\n");
        return 2;
    }
    std::vector<headless::scripted_input> script;
    std::string error;
    if (!read_script(argv[1], &script, &error)) {
        std::fprintf(stderr, "replay: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    program_run::result run = program_run::run(script, program_run::frames_kept::last);
    std::fputs(run.debug_output.c_str(), stderr);
    if (run.exit_code != 0 || run.frames.empty() || run.frames.back().pixels.width == 0 ||
        !write_ppm(argv[2], run.frames.back().pixels)) {
        std::fprintf(stderr, "replay: could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
