// Cost of tracing the ray in one frame: the built-in walls, and closed regular polygons of growing size with
// the ray bouncing inside until the path is full. Each search visits every wall, so the trace should grow
// linearly with the number of walls.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "optics/exact_trig.h"
#include "optics/ray_path.h"

#ifdef MIRRORS_C_LIBRARY_TRIG
// bench_optics_libm: the same trace with the C library's atan and tan in place of ours, for the price of
// exactness (docs/benchmarks.md).
double exact_atan(double x) {
    return std::atan(x);
}
double exact_tan(double x) {
    return std::tan(x);
}
#endif

namespace {

const wall_list built_in_walls = {{294, 129}, {382, 50}, {526, 99}, {563, 239}, {450, 327}, {303, 254}};

// A closed regular polygon around (0, 0): the last vertex is placed on the first. The radius keeps rounded
// vertices far apart even for the largest sizes.
wall_list regular_polygon(int vertices) {
    const double radius = 1000000.0;
    const double pi = 3.141592653589793;
    wall_list walls;
    walls.reserve(static_cast<std::size_t>(vertices) + 1);
    for (int i = 0; i < vertices; ++i) {
        const double angle = 2.0 * pi * i / vertices;
        walls.push_back(POINT{static_cast<LONG>(std::lround(radius * std::cos(angle))),
                              static_cast<LONG>(std::lround(radius * std::sin(angle)))});
    }
    walls.push_back(walls.front());
    return walls;
}

void trace_built_in_walls(benchmark::State& state) {
    const POINT launch{420, 180};
    const POINT cursor{431, 187};
    for (auto _ : state) {
        std::vector<POINT> path = trace_ray_path(built_in_walls, launch, cursor);
        benchmark::DoNotOptimize(path.data());
    }
}
BENCHMARK(trace_built_in_walls);

void trace_closed_polygon(benchmark::State& state) {
    const int vertices = static_cast<int>(state.range(0));
    const wall_list walls = regular_polygon(vertices);
    // Off-centre and at an odd angle, so that no reflection lands exactly on a vertex.
    const POINT launch{12345, -6789};
    const POINT cursor{12345 + 1000, -6789 + 313};
    if (trace_ray_path(walls, launch, cursor).size() != static_cast<std::size_t>(max_path_points)) {
        state.SkipWithError("the ray left the polygon before the path was full");
        return;
    }
    for (auto _ : state) {
        std::vector<POINT> path = trace_ray_path(walls, launch, cursor);
        benchmark::DoNotOptimize(path.data());
    }
    state.SetComplexityN(vertices);
    state.counters["walls"] = vertices;
}
BENCHMARK(trace_closed_polygon)->RangeMultiplier(8)->Range(8, 32768)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
