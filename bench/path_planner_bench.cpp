// findPath on 256 x 256 and 1024 x 1024 grids of costs 1..100 with blocked cells, beside a plain
// std::priority_queue A* and Boost.Graph's astar_search on the same grids (and, on the small grid,
// the planner written the plain way with its sorted open list); prints the time ratios at the end.
// findPath runs as a program's later searches do (with the blocks the planner kept) and as a
// program's first search.
#include <benchmark/benchmark.h>

#include <boost/graph/astar_search.hpp>
#include <boost/graph/filtered_graph.hpp>
#include <boost/graph/grid_graph.hpp>
#include <boost/property_map/function_property_map.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "gfx3d/path_planner.h"
#include "tests/gfx3d/reference_planner.h"

using namespace vantrel;

namespace {

struct Map {
  int side = 0;
  DoubleArray grid;  // costs 1..100, 0 for a blocked cell
  int startX = 0, startY = 0, goalX = 0, goalY = 0;
};

const Map& mapOfSide(int side) {
  static std::map<int, Map> maps;
  Map& map = maps[side];
  if (map.side == side) return map;
  map.side = side;
  dimension(map.grid, side, side);
  std::mt19937 random(static_cast<uint32_t>(side) * 2654435761u);
  for (int i = 0; i < map.grid.count; ++i) {
    map.grid.elements[i] = random() % 100 < 20 ? 0.0 : 1.0 + random() % 100;
  }
  map.startX = side / 16;
  map.startY = side / 8;
  map.goalX = side - 1 - side / 16;
  map.goalY = side - 1 - side / 32;
  element(map.grid, map.startX, map.startY) = 1.0;
  element(map.grid, map.goalX, map.goalY) = 1.0;
  return map;
}

// The planner's cost map: blocked cells -1, passable costs c / largest + 1.
std::vector<float> normalisedCosts(const DoubleArray& grid) {
  std::vector<float> costs(static_cast<size_t>(grid.count));
  float largest = 0.0f;
  for (int i = 0; i < grid.count; ++i) {
    costs[i] = grid.elements[i] > 0.0 ? static_cast<float>(grid.elements[i]) : -1.0f;
    largest = std::max(largest, costs[i]);
  }
  for (float& cost : costs)
    if (cost > 0.0f) cost = cost / largest + 1.0f;
  return costs;
}

int manhattan(int x, int y, int goalX, int goalY) { return std::abs(goalX - x) + std::abs(goalY - y); }

int writeCells(const std::vector<int32_t>& parent, int goal, int width, IntArray& out) {
  int count = 0;
  for (int cell = goal; cell >= 0; cell = parent[cell]) ++count;
  redimension(out, count, 2);
  int row = count - 1;
  for (int cell = goal; cell >= 0; cell = parent[cell], --row) {
    element(out, row, 0) = cell % width;
    element(out, row, 1) = cell / width;
  }
  return count;
}

// The textbook search: a binary heap of (f, cell) with stale entries skipped when taken.
int priorityQueueAStar(const Map& map, IntArray& out) {
  const int width = map.side;
  const int height = map.side;
  std::vector<float> costs = normalisedCosts(map.grid);
  const size_t cells = costs.size();
  std::vector<float> g(cells, std::numeric_limits<float>::infinity());
  std::vector<int32_t> parent(cells, -1);
  std::vector<uint8_t> closed(cells, 0);
  using Entry = std::pair<float, int32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  const int start = map.startX + width * map.startY;
  const int goal = map.goalX + width * map.goalY;
  g[start] = 0.0f;
  open.push({static_cast<float>(manhattan(map.startX, map.startY, map.goalX, map.goalY)), start});
  const int dx[4] = {0, 1, -1, 0};
  const int dy[4] = {-1, 0, 0, 1};
  while (!open.empty()) {
    int cell = open.top().second;
    open.pop();
    if (closed[cell]) continue;
    closed[cell] = 1;
    if (cell == goal) return writeCells(parent, goal, width, out);
    int x = cell % width;
    int y = cell / width;
    for (int k = 0; k < 4; ++k) {
      int nx = x + dx[k];
      int ny = y + dy[k];
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      int next = nx + width * ny;
      if (costs[next] < 0.0f || closed[next]) continue;
      float cost = g[cell] + costs[next];
      if (cost < g[next]) {
        g[next] = cost;
        parent[next] = cell;
        open.push({cost + static_cast<float>(manhattan(nx, ny, map.goalX, map.goalY)), next});
      }
    }
  }
  return 0;
}

// Boost.Graph: astar_search over the implicit grid without its blocked cells.
using Grid = boost::grid_graph<2>;
using GridVertex = boost::graph_traits<Grid>::vertex_descriptor;
using GridEdge = boost::graph_traits<Grid>::edge_descriptor;

struct Passable {
  const std::vector<float>* costs = nullptr;
  size_t width = 0;
  bool operator()(const GridVertex& v) const { return (*costs)[v[0] + width * v[1]] > 0.0f; }
};
using OpenGrid = boost::filtered_graph<Grid, boost::keep_all, Passable>;

struct ManhattanHeuristic : boost::astar_heuristic<OpenGrid, float> {
  int goalX, goalY;
  ManhattanHeuristic(int x, int y) : goalX(x), goalY(y) {}
  float operator()(const GridVertex& v) const {
    return static_cast<float>(manhattan(static_cast<int>(v[0]), static_cast<int>(v[1]), goalX, goalY));
  }
};

struct GoalReached {};
struct StopAtGoal : boost::default_astar_visitor {
  GridVertex goal;
  explicit StopAtGoal(GridVertex v) : goal(v) {}
  void examine_vertex(const GridVertex& v, const OpenGrid&) const {
    if (v == goal) throw GoalReached();
  }
};

int boostAStar(const Map& map, IntArray& out) {
  const size_t width = static_cast<size_t>(map.side);
  std::vector<float> costs = normalisedCosts(map.grid);
  boost::array<size_t, 2> lengths = {{width, width}};
  Grid grid(lengths);
  Passable passable{&costs, width};
  OpenGrid open(grid, boost::keep_all(), passable);
  const size_t cells = num_vertices(grid);
  auto index = get(boost::vertex_index, grid);  // found by argument lookup, as grid_graph defines it
  std::vector<GridVertex> predecessors(cells);
  std::vector<float> distances(cells);
  std::vector<float> ranks(cells);
  std::vector<boost::default_color_type> colours(cells);
  auto weight = boost::make_function_property_map<GridEdge, float>(
      [&costs, width](const GridEdge& e) { return costs[e.second[0] + width * e.second[1]]; });
  GridVertex start = {{static_cast<size_t>(map.startX), static_cast<size_t>(map.startY)}};
  GridVertex goal = {{static_cast<size_t>(map.goalX), static_cast<size_t>(map.goalY)}};
  try {
    boost::astar_search(open, start, ManhattanHeuristic(map.goalX, map.goalY),
                        boost::weight_map(weight)
                            .predecessor_map(boost::make_iterator_property_map(predecessors.begin(), index))
                            .distance_map(boost::make_iterator_property_map(distances.begin(), index))
                            .rank_map(boost::make_iterator_property_map(ranks.begin(), index))
                            .color_map(boost::make_iterator_property_map(colours.begin(), index))
                            .visitor(StopAtGoal(goal)));
  } catch (const GoalReached&) {
    std::vector<int32_t> parent(cells, -1);
    for (size_t i = 0; i < cells; ++i) {
      GridVertex v = vertex(i, grid);
      GridVertex p = predecessors[i];
      if (p != v) parent[v[0] + width * v[1]] = static_cast<int32_t>(p[0] + width * p[1]);
    }
    return writeCells(parent, static_cast<int>(goal[0] + width * goal[1]), map.side, out);
  }
  return 0;
}

int referencePlanner(const Map& map, IntArray& out) {
  PlannerSettings settings;
  settings.startX = map.startX;
  settings.startY = map.startY;
  settings.goalX = map.goalX;
  settings.goalY = map.goalY;
  settings.width = map.side;
  settings.height = map.side;
  settings.heuristicWeight = 0.5f;
  settings.grid = map.grid.elements;
  reference::ReferencePlanner planner;
  if (!planner.setup(settings)) return 0;
  planner.begin();
  int count = planner.search() ? planner.writePath(out) : 0;
  planner.reset();
  return count;
}

int planner(const Map& map, IntArray& out) {
  return findPath(map.grid, out, 0.5, map.startX, map.startY, map.goalX, map.goalY);
}

// The cost of a path as the planners count it, to show that all found an equally cheap one.
double pathCost(const Map& map, IntArray& path) {
  std::vector<float> costs = normalisedCosts(map.grid);
  double total = 0.0;
  for (int row = 1; row < dimensionSize(path, 0); ++row)
    total += costs[element(path, row, 0) + map.side * element(path, row, 1)];
  return total;
}

void runSearch(benchmark::State& state, int (*search)(const Map&, IntArray&), int side, bool cold) {
  const Map& map = mapOfSide(side);
  IntArray path;
  int points = 0;
  for (auto _ : state) {
    if (cold) {
      // As the first search of a program: the planner's blocks come fresh from the system.
      state.PauseTiming();
      detail::releaseKeptBlocks();
      state.ResumeTiming();
    }
    points = search(map, path);
    benchmark::DoNotOptimize(path.elements);
  }
  if (points == 0) state.SkipWithError("no path found");
  state.counters["points"] = points;
  state.counters["pathCost"] = pathCost(map, path);
}

// Keeps the times per iteration of every run (the medians when repetitions are asked for). On a
// shared machine the processor time is the steadier figure; both ratios are printed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) {
        times_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatios() const {
    std::printf("\nTime ratios (below 1: findPath is faster)\n");
    for (int side : {256, 1024}) {
      const std::string suffix = "/" + std::to_string(side);
      for (const char* mine : {"findPath", "findPath_first_search"}) {
        for (const char* other : {"priority_queue_astar", "boost_astar_search", "reference_sorted_list"}) {
          auto ours = times_.find(mine + suffix);
          auto theirs = times_.find(other + suffix);
          if (ours == times_.end() || theirs == times_.end()) continue;
          std::printf("  %4d x %-4d %-21s / %-22s  cpu %.3f  real %.3f\n", side, side, mine, other,
                      ours->second.cpu / theirs->second.cpu, ours->second.real / theirs->second.real);
        }
      }
    }
  }


 private:
  struct Times {
    double real;
    double cpu;
  };
  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  // The others run first, before findPath keeps its blocks, so that they meet the C library's
  // heap as a program of their own would.
  for (int side : {256, 1024}) {
    std::string suffix = "/" + std::to_string(side);
    benchmark::RegisterBenchmark(("priority_queue_astar" + suffix).c_str(), runSearch, priorityQueueAStar, side, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("boost_astar_search" + suffix).c_str(), runSearch, boostAStar, side, false)
        ->Unit(benchmark::kMillisecond);
  }
  // The plain planner's closed set of 256 buckets makes the large grid take minutes.
  benchmark::RegisterBenchmark("reference_sorted_list/256", runSearch, referencePlanner, 256, false)
      ->Unit(benchmark::kMillisecond);
  for (int side : {256, 1024}) {
    std::string suffix = "/" + std::to_string(side);
    benchmark::RegisterBenchmark(("findPath" + suffix).c_str(), runSearch, planner, side, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("findPath_first_search" + suffix).c_str(), runSearch, planner, side, true)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
