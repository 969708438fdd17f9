// The paths of 4000 random scenes, a line each, that every platform's build must print as the Linux build
// does (compare.py). Numbers from splitmix64: the standard distributions differ between libraries.
#include <cstdint>
#include <cstdio>

#include "optics/ray_path.h"

static LONG below(std::uint64_t bound) {
    static std::uint64_t state = 27;
    std::uint64_t z = state += 0x9e3779b97f4a7c15u;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return static_cast<LONG>((z ^ (z >> 31)) % bound);
}

int main() {
    for (int scene = 0; scene < 4000; ++scene) {
        // 4 to 12 walls, a quarter of them vertical and a quarter horizontal; every third polyline is closed.
        wall_list walls{POINT{below(800), below(600)}};
        for (LONG count = 5 + below(9); static_cast<LONG>(walls.size()) < count;) {
            const LONG kind = below(4);
            const POINT last = walls.back();
            walls.push_back(POINT{kind == 0 ? last.x : below(800), kind == 1 ? last.y : below(600)});
        }
        walls.back() = below(3) == 0 ? walls.front() : walls.back();
        const POINT launch{below(800), below(600)};
        // Now and then the cursor on the launch point, as after every click.
        const POINT cursor = below(8) == 0 ? launch : POINT{below(800), below(600)};
        std::printf("%d:", scene);
        for (const POINT& point : trace_ray_path(walls, launch, cursor)) {
            std::printf(" %ld,%ld", static_cast<long>(point.x), static_cast<long>(point.y));
        }
        std::printf("\n");
    }
}
