// findPath in its three forms, the planner's setup, reset and diagonal steps, and the containers
// underneath: node factory, closed-set hash table and ring buffer.
#include "gfx3d/path_planner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace vantrel;

namespace {

using Points = std::vector<std::pair<int, int>>;

// rows[y][x] is the cost of cell (x, y).
DoubleArray gridFromRows(const std::vector<std::vector<double>>& rows) {
  DoubleArray grid;
  int width = static_cast<int>(rows[0].size());
  int height = static_cast<int>(rows.size());
  dimension(grid, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) element(grid, x, y) = rows[y][x];
  return grid;
}

DoubleArray uniformGrid(int width, int height, double cost) {
  return gridFromRows(std::vector<std::vector<double>>(height, std::vector<double>(width, cost)));
}

template <typename PathArray>
Points pointsOf(PathArray& path) {
  Points points;
  for (int row = 0; row < dimensionSize(path, 0); ++row)
    points.emplace_back(static_cast<int>(element(path, row, 0)), static_cast<int>(element(path, row, 1)));
  return points;
}

std::string describe(const Points& points) {
  std::string text;
  for (auto [x, y] : points) text += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  return text;
}

// Each step of a path moves to one of the four neighbours.
bool isConnected(const Points& points) {
  for (size_t i = 1; i < points.size(); ++i) {
    int step = std::abs(points[i].first - points[i - 1].first) + std::abs(points[i].second - points[i - 1].second);
    if (step != 1) return false;
  }
  return true;
}

PlannerSettings settingsFor(const DoubleArray& grid, int startX, int startY, int goalX, int goalY) {
  PlannerSettings settings;
  settings.startX = startX;
  settings.startY = startY;
  settings.goalX = goalX;
  settings.goalY = goalY;
  settings.width = dimensionSize(grid, 0);
  settings.height = dimensionSize(grid, 1);
  settings.grid = grid.elements;
  return settings;
}

}  // namespace

TEST(FindPath, OpenGridTakesStraightStepsWithTheFirstTiesFirst) {
  DoubleArray grid = uniformGrid(3, 3, 1.0);
  IntArray path;
  ASSERT_EQ(findPath(grid, path, 0.5, 0, 0, 2, 2), 5) << "no diagonal steps: 5 points";
  EXPECT_EQ(path.dimensionCount, 2);
  EXPECT_EQ(dimensionSize(path, 1), 2);
  // Right is visited before down, and of equal priorities the first entered goes first.
  EXPECT_EQ(describe(pointsOf(path)), "(0,0)(1,0)(2,0)(2,1)(2,2)");
}

TEST(FindPath, EqualCostsGiveShortestManhattanPathsForEveryWeight) {
  DoubleArray grid = uniformGrid(9, 7, 4.0);
  for (double weight : {0.0, 0.25, 0.5, 0.75, 1.0}) {
    IntArray path;
    ASSERT_EQ(findPath(grid, path, weight, 1, 5, 7, 0), 12) << "weight " << weight;
    Points points = pointsOf(path);
    EXPECT_EQ(points.front(), std::make_pair(1, 5));
    EXPECT_EQ(points.back(), std::make_pair(7, 0));
    EXPECT_TRUE(isConnected(points)) << describe(points);
  }
}

TEST(FindPath, WeightTradesCostAgainstDistance) {
  // A cheap detour above an expensive direct row: 1 and 100 become about 1.01 and 2.
  DoubleArray detour = gridFromRows({{1, 1, 1, 1, 1}, {100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}});
  // The detour to the cheap row is more than twice as long as the direct way.
  DoubleArray longDetour = gridFromRows({{1, 1, 1, 1, 1}, {1, 0, 0, 0, 1}, {100, 100, 100, 100, 100}});
  struct Case {
    const DoubleArray* grid;
    int startY;
    double weight;
    int points;
  };
  const Case cases[] = {
      {&detour, 1, 0.0, 7},      // uniform cost: 5 x 1.01 + 2 beats 4 x 2
      {&detour, 1, 0.5, 7},      // A*: the distance never overestimates, so still the cheapest
      {&detour, 1, 1.0, 5},      // greedy by distance: straight along the expensive row
      {&detour, 1, -3.0, 7},     // below 0 counts as 0
      {&detour, 1, 7.0, 5},      // above 1 counts as 1
      {&longDetour, 2, 0.0, 5},  // 7 x 1.01 + 2 loses against 4 x 2
      {&longDetour, 2, 0.5, 5},
  };
  for (const Case& c : cases) {
    IntArray path;
    EXPECT_EQ(findPath(*c.grid, path, c.weight, 0, c.startY, 4, c.startY), c.points)
        << "weight " << c.weight << " gave " << describe(pointsOf(path));
    EXPECT_TRUE(isConnected(pointsOf(path)));
  }
  IntArray path;
  findPath(detour, path, 0.0, 0, 1, 4, 1);
  EXPECT_EQ(describe(pointsOf(path)), "(0,1)(0,0)(1,0)(2,0)(3,0)(4,0)(4,1)");
}

TEST(FindPath, RefusedOrUnreachableLeavesAnIntegerPathAndEmptiesAFloatingOne) {
  DoubleArray open = uniformGrid(4, 3, 1.0);
  DoubleArray blockedGoal = gridFromRows({{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 0}});
  DoubleArray wall = gridFromRows({{1, 1, -2, 1}, {1, 1, 0, 1}, {1, 1, 0, 1}});
  DoubleArray nothingPassable = gridFromRows({{0, -1, 0, -5}, {0, 0, 0, 0}, {-1, 0, 0, 0}});
  DoubleArray notANumber = gridFromRows({{1, std::nan(""), 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}});
  DoubleArray row;  // one dimension only: no height
  dimension(row, 4);
  for (int i = 0; i < 4; ++i) element(row, i) = 1.0;
  struct Case {
    const char* what;
    const DoubleArray* grid;
    int startX, startY, goalX, goalY;
  };
  const Case cases[] = {
      {"start equals goal", &open, 1, 1, 1, 1},
      {"start outside", &open, -1, 0, 3, 2},
      {"goal outside", &open, 0, 0, 4, 2},
      {"goal below the grid", &open, 0, 0, 3, 3},
      {"blocked goal", &blockedGoal, 0, 0, 3, 2},
      {"wall", &wall, 0, 1, 3, 1},
      {"no positive cost", &nothingPassable, 0, 0, 3, 2},
      {"NaN blocks its cell", &notANumber, 0, 0, 3, 0},
      {"one-dimensional grid", &row, 0, 0, 3, 0},
  };
  for (const Case& c : cases) {
    IntArray path;
    dimension(path, 2, 2);
    element(path, 1, 1) = 42;
    EXPECT_EQ(findPath(*c.grid, path, 0.5, c.startX, c.startY, c.goalX, c.goalY), 0) << c.what;
    EXPECT_EQ(dimensionSize(path, 0), 2) << c.what;
    EXPECT_EQ(element(path, 1, 1), 42) << c.what;

    DoubleArray floatingPath;
    dimension(floatingPath, 3, 2);
    EXPECT_EQ(findPath(*c.grid, floatingPath, 0.5, c.startX, c.startY, c.goalX, c.goalY), 0) << c.what;
    EXPECT_EQ(dimensionSize(floatingPath, 0), 0) << c.what;
    EXPECT_EQ(dimensionSize(floatingPath, 1), 2) << c.what;
    EXPECT_EQ(floatingPath.count, 0) << c.what;
  }
}

TEST(FindPath, BlockedStartIsStillSearchedFrom) {
  DoubleArray grid = gridFromRows({{0, 1, 1}, {0, 0, 1}});
  IntArray path;
  ASSERT_EQ(findPath(grid, path, 0.5, 0, 0, 2, 1), 4);
  EXPECT_EQ(describe(pointsOf(path)), "(0,0)(1,0)(2,0)(2,1)");
}

TEST(FindPath, HugeCostsCountAsTheLargestAndTinyOnesStayPassable) {
  const double infinity = std::numeric_limits<double>::infinity();
  // The top row's middle costs the most (2), the bottom row's tiny costs the least (1).
  DoubleArray grid = gridFromRows({{1, infinity, 1e300, infinity, 1}, {1, 1e-320, 5e-324, 1, 1}});
  IntArray path;
  ASSERT_EQ(findPath(grid, path, 0.0, 0, 0, 4, 0), 7);
  EXPECT_EQ(describe(pointsOf(path)), "(0,0)(0,1)(1,1)(2,1)(3,1)(4,1)(4,0)");
}

TEST(FindPath, ThreeFormsAgree) {
  std::vector<std::vector<double>> rows = {
      {3, 1, 9, 9, 2, 0}, {5, 0, 1, 7, 0, 4}, {2, 8, 1, 0, 3, 6}, {7, 0, 2, 5, 1, 1}, {1, 4, 0, 9, 6, 2}};
  DoubleArray doubleGrid = gridFromRows(rows);
  IntArray intGrid;
  dimension(intGrid, 6, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) element(intGrid, x, y) = static_cast<int>(rows[y][x]);

  IntArray first;
  int count = findPath(doubleGrid, first, 0.3, 0, 0, 5, 4);
  ASSERT_GT(count, 0);
  EXPECT_EQ(dimensionSize(first, 0), count);
  Points expected = pointsOf(first);
  EXPECT_TRUE(isConnected(expected));
  for (auto [x, y] : expected) EXPECT_GT(rows[y][x], 0) << "blocked cell on the path";

  DoubleArray floatingPath;
  EXPECT_EQ(findPath(doubleGrid, floatingPath, 0.3, 0, 0, 5, 4), count);
  EXPECT_EQ(dimensionSize(floatingPath, 1), 2);
  EXPECT_EQ(pointsOf(floatingPath), expected);

  IntArray fromIntegers;
  dimension(fromIntegers, 100, 2);  // an earlier, longer path is replaced
  EXPECT_EQ(findPath(intGrid, fromIntegers, 0.3, 0, 0, 5, 4), count);
  EXPECT_EQ(dimensionSize(fromIntegers, 0), count);
  EXPECT_EQ(pointsOf(fromIntegers), expected);
}

TEST(Planner, SetupNormalisesCostsAndRefusesBadSettings) {
  DoubleArray grid = gridFromRows({{4, 0, -3}, {1, 2, 8}});
  AStarPlanner planner;
  PlannerSettings settings = settingsFor(grid, 0, 0, 2, 1);
  settings.heuristicWeight = 3.0f;
  ASSERT_TRUE(planner.setup(settings));
  EXPECT_FLOAT_EQ(planner.costAt(0, 0), 1.5f);
  EXPECT_EQ(planner.costAt(1, 0), -1.0f);
  EXPECT_EQ(planner.costAt(2, 0), -1.0f);
  EXPECT_FLOAT_EQ(planner.costAt(0, 1), 1.125f);
  EXPECT_FLOAT_EQ(planner.costAt(2, 1), 2.0f);
  EXPECT_EQ(planner.heuristicWeight(), 1.0f);
  EXPECT_EQ(planner.factory().size(), 6);

  PlannerSettings tooFewNodes = settings;
  tooFewNodes.nodeCapacity = 5;
  EXPECT_FALSE(planner.setup(tooFewNodes));
  PlannerSettings tooSmallOpenList = settings;
  tooSmallOpenList.openCapacity = -1;
  EXPECT_FALSE(planner.setup(tooSmallOpenList));
  PlannerSettings roomy = settings;
  roomy.nodeCapacity = 10;
  EXPECT_TRUE(planner.setup(roomy));
  EXPECT_EQ(planner.factory().size(), 10);

  // A refused grid leaves the planner as the last successful setup made it.
  DoubleArray blocked = uniformGrid(3, 2, 0.0);
  EXPECT_FALSE(planner.setup(settingsFor(blocked, 0, 0, 2, 1)));
  EXPECT_FLOAT_EQ(planner.costAt(2, 1), 2.0f);
}

TEST(Planner, ResetGivesEveryNodeBackAndTheSearchRepeats) {
  DoubleArray grid = gridFromRows({{1, 5, 1, 1, 1}, {1, 0, 0, 0, 1}, {1, 1, 1, 7, 1}, {2, 0, 1, 0, 1}});
  AStarPlanner planner;
  ASSERT_TRUE(planner.setup(settingsFor(grid, 0, 3, 4, 3)));
  EXPECT_TRUE(planner.isDone());
  Points first;
  for (int round = 0; round < 3; ++round) {
    planner.begin();
    EXPECT_FALSE(planner.isDone());
    EXPECT_EQ(planner.factory().inUse(), 1) << "the start node";
    ASSERT_TRUE(planner.search());
    EXPECT_TRUE(planner.isDone());
    EXPECT_EQ(planner.searchCount(), 1);
    EXPECT_GT(planner.factory().inUse(), 1);
    IntArray path;
    int count = planner.writePath(path);
    EXPECT_EQ(count, dimensionSize(path, 0));
    if (round == 0) first = pointsOf(path);
    EXPECT_EQ(pointsOf(path), first) << "round " << round;
    planner.reset();
    EXPECT_EQ(planner.factory().inUse(), 0);
    EXPECT_EQ(planner.path(), nullptr);
    EXPECT_TRUE(planner.isDone());
  }
  EXPECT_TRUE(isConnected(first));

  // begin without reset gives the nodes of the earlier search back as well.
  planner.begin();
  ASSERT_TRUE(planner.search());
  planner.begin();
  EXPECT_EQ(planner.factory().inUse(), 1);
}

TEST(Planner, DiagonalStepsWhenAllowed) {
  DoubleArray grid = uniformGrid(3, 3, 1.0);  // every cell costs 2 after normalising
  struct Case {
    uint8_t root2;
    float goalCost;
  };
  for (Case c : {Case{1, 2.0f * 1.4142137f + 2.0f * 1.4142137f}, Case{0, 4.0f}}) {
    AStarPlanner planner;
    PlannerSettings settings = settingsFor(grid, 0, 0, 2, 2);
    settings.allowDiagonal = 1;
    settings.diagonalCostsRoot2 = c.root2;
    ASSERT_TRUE(planner.setup(settings));
    planner.begin();
    ASSERT_TRUE(planner.search());
    IntArray path;
    EXPECT_EQ(planner.writePath(path), 3);
    EXPECT_EQ(describe(pointsOf(path)), "(0,0)(1,1)(2,2)");
    EXPECT_FLOAT_EQ(planner.path()->g, c.goalCost);
    planner.reset();
  }
}

TEST(PlannerContainers, FixedDequeWrapsShiftsAndRefusesWhenFull) {
  int values[6] = {0, 1, 2, 3, 4, 5};
  FixedDeque<int*> deque;
  deque.reserve(4);
  auto contents = [&deque, &values] {
    std::string text;
    for (int i = 0; i < deque.size(); ++i) text += std::to_string(deque.at(i) - values);
    return text;
  };
  EXPECT_EQ(deque.popBack(), nullptr);
  EXPECT_TRUE(deque.pushBack(&values[1]));
  EXPECT_TRUE(deque.pushFront(&values[0]));  // wraps to the last slot
  EXPECT_TRUE(deque.insertAt(2, &values[3]));
  EXPECT_TRUE(deque.insertAt(2, &values[2]));
  EXPECT_EQ(contents(), "0123");
  EXPECT_TRUE(deque.isFull());
  EXPECT_FALSE(deque.pushBack(&values[4]));
  EXPECT_FALSE(deque.pushFront(&values[4]));
  EXPECT_FALSE(deque.insertAt(0, &values[4]));
  deque.eraseAt(1);
  EXPECT_EQ(contents(), "023");
  EXPECT_FALSE(deque.insertAt(4, &values[4])) << "past the back";
  EXPECT_TRUE(deque.insertAt(0, &values[5]));
  EXPECT_EQ(contents(), "5023");
  EXPECT_EQ(deque.popFront(), &values[5]);
  EXPECT_EQ(deque.popBack(), &values[3]);
  EXPECT_EQ(deque.back(), &values[2]);
  EXPECT_EQ(contents(), "02");
  deque.clear();
  EXPECT_TRUE(deque.isEmpty());
}

TEST(PlannerContainers, HashTableChainsFindsAndUnlinks) {
  NodeHashTable table;
  table.create(25);
  EXPECT_EQ(table.bits(), 24);
  table.create(7);
  EXPECT_EQ(table.bits(), 6);
  table.create(8);  // 16 x 16 buckets: (1, 2), (17, 2) and (1, 18) share one
  Node nodes[4] = {};
  int coordinates[4][2] = {{1, 2}, {17, 2}, {1, 18}, {2, 1}};
  for (int i = 0; i < 4; ++i) {
    nodes[i].x = coordinates[i][0];
    nodes[i].y = coordinates[i][1];
    table.insert(&nodes[i]);
  }
  table.insert(&nodes[1]);  // already there: no loop in the chain
  EXPECT_EQ(nodes[2].next, &nodes[1]) << "newest first in a bucket";
  EXPECT_EQ(nodes[1].next, &nodes[0]);
  EXPECT_EQ(nodes[0].next, nullptr);
  EXPECT_EQ(table.find(17, 2), &nodes[1]);
  table.removeFound();
  EXPECT_EQ(table.find(17, 2), nullptr);
  EXPECT_EQ(table.find(1, 18), &nodes[2]);
  EXPECT_EQ(table.find(1, 2), &nodes[0]);
  EXPECT_EQ(table.find(2, 1), &nodes[3]);
  EXPECT_EQ(table.find(33, 2), nullptr);
  table.clear();
  EXPECT_EQ(table.find(1, 2), nullptr);
}

TEST(PlannerContainers, FactoryHandsOutEachNodeOnceUntilExhausted) {
  NodeFactory factory;
  factory.reserve(3);
  Node* a = factory.allocate();
  Node* b = factory.allocate();
  Node* c = factory.allocate();
  EXPECT_TRUE(a && b && c && a != b && b != c && a != c);
  EXPECT_EQ(factory.allocate(), nullptr);
  EXPECT_EQ(factory.inUse(), 3);
  EXPECT_EQ(factory.nodeAt(factory.indexOf(b)), b);
  factory.releaseAll();
  EXPECT_EQ(factory.inUse(), 0);
  EXPECT_NE(factory.allocate(), nullptr);
  factory.reserve(0);
  EXPECT_EQ(factory.allocate(), nullptr);
}

TEST(PlannerContainers, HashBitsGiveEveryCellItsOwnBucket) {
  EXPECT_EQ(hashBitsForGrid(3, 3), 8);
  EXPECT_EQ(hashBitsForGrid(17, 17), 10);
  EXPECT_EQ(hashBitsForGrid(17, 2), 8);
  EXPECT_EQ(hashBitsForGrid(256, 256), 16);
  EXPECT_EQ(hashBitsForGrid(1000, 1024), 20);
  EXPECT_EQ(hashBitsForGrid(4096, 8192), 24);
  EXPECT_EQ(hashBitsForGrid(1, 100000), 20) << "a thin grid gets at most 16 buckets a cell";
}

TEST(PlannerMemory, BlocksOfOneSearchServeTheNextAndStayWithinTheLimit) {
  using namespace vantrel::detail;
  releaseKeptBlocks();
  const std::size_t size = std::size_t{1} << 20;
  auto* first = static_cast<unsigned char*>(borrowBytes(size, false));
  first[0] = 7;
  first[size - 1] = 9;
  returnBytes(first, size);
  EXPECT_EQ(keptBytes(), size);
  auto* again = static_cast<unsigned char*>(borrowBytes(size, true));
  EXPECT_EQ(again, first) << "a block of the same size is handed out again";
  EXPECT_EQ(again[0], 0) << "and cleared when asked for";
  EXPECT_EQ(again[size - 1], 0);
  EXPECT_EQ(keptBytes(), 0u);
  void* other = borrowBytes(size / 2, false);
  EXPECT_NE(other, again);
  returnBytes(other, size / 2);
  returnBytes(again, size);

  // Keeping stays within the limit: the oldest blocks go first.
  const std::size_t large = PLANNER_MEMORY_KEPT / 2;
  void* big = borrowBytes(large, false);
  void* bigger = borrowBytes(large + size, false);
  returnBytes(big, large);
  returnBytes(bigger, large + size);
  EXPECT_EQ(keptBytes(), large + size) << "the older blocks were freed to make room";
  releaseKeptBlocks();
  EXPECT_EQ(keptBytes(), 0u);
}

TEST(PlannerMemory, RepeatedSearchesKeepTheSamePaths) {
  // Large enough for the planner to keep its blocks between the searches.
  DoubleArray grid;
  dimension(grid, 150, 120);
  for (int i = 0; i < grid.count; ++i) grid.elements[i] = (i * 7919) % 13 == 0 ? 0.0 : 1 + (i * 104729) % 17;
  element(grid, 0, 0) = 1;
  element(grid, 149, 119) = 1;
  detail::releaseKeptBlocks();
  IntArray first;
  ASSERT_GT(findPath(grid, first, 0.4, 0, 0, 149, 119), 0);
  EXPECT_GT(detail::keptBytes(), 0u) << "nothing was kept for the next search";
  for (int i = 0; i < 3; ++i) {
    IntArray again;
    findPath(grid, again, 0.4, 0, 0, 149, 119);
    EXPECT_EQ(pointsOf(again), pointsOf(first));
  }
}
