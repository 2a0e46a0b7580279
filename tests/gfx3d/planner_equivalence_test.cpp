// AStarPlanner against the plain sorted-list search on many random grids, weights, starts and
// goals: the same answers, the same paths with the same costs to the last bit, the same nodes used.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx3d/path_planner.h"
#include "tests/gfx3d/reference_planner.h"

using namespace vantrel;

namespace {

struct Trial {
  int width;
  int height;
  std::vector<double> costs;
  PlannerSettings settings;
  int fastHashBits;
  uint32_t orderLimit;  // small ones make the planner renumber its entry orders often
  std::string text;
};

uint32_t bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Small integer palettes make many equal priorities, so the order of ties is exercised.
Trial randomTrial(std::mt19937& random, int maxSide) {
  auto below = [&random](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  auto chance = [&random](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
  Trial trial;
  trial.width = 1 + below(maxSide);
  trial.height = 1 + below(maxSide);
  const int palette = below(5);
  const double blocked = std::vector<double>{0.0, 0.1, 0.25, 0.4}[below(4)];
  trial.costs.resize(static_cast<size_t>(trial.width) * trial.height);
  for (double& cost : trial.costs) {
    if (chance(blocked)) {
      cost = below(2) ? 0.0 : -1.0 - below(5);
    } else if (palette == 0) {
      cost = 7.0;
    } else if (palette == 1) {
      cost = 1 + below(2);
    } else if (palette == 2) {
      cost = 1 + below(3);
    } else if (palette == 3) {
      cost = 1 + below(100);
    } else {
      cost = std::uniform_real_distribution<double>(0.001, 10.0)(random);
    }
  }
  const float weights[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, -1.0f, 3.0f, 0.1f, 0.9f};
  PlannerSettings& s = trial.settings;
  s.width = trial.width;
  s.height = trial.height;
  s.grid = trial.costs.data();
  s.heuristicWeight =
      below(4) == 0 ? std::uniform_real_distribution<float>(0.0f, 1.0f)(random) : weights[below(9)];
  s.startX = below(trial.width);
  s.startY = below(trial.height);
  s.goalX = below(trial.width);
  s.goalY = below(trial.height);
  if (chance(0.2)) s.goalX = trial.width;  // refused by both
  s.allowDiagonal = chance(0.25);
  s.diagonalCostsRoot2 = below(2);
  s.hashBits = 8;
  trial.fastHashBits = below(3) ? hashBitsForGrid(trial.width, trial.height) : 8;
  trial.orderLimit = below(4) ? UINT32_MAX : static_cast<uint32_t>(below(60));
  trial.text = std::to_string(trial.width) + "x" + std::to_string(trial.height) + " palette " +
               std::to_string(palette) + " weight " + std::to_string(s.heuristicWeight) + " from " +
               std::to_string(s.startX) + "," + std::to_string(s.startY) + " to " + std::to_string(s.goalX) +
               "," + std::to_string(s.goalY) + (s.allowDiagonal ? " diagonal" : "") + " order limit " +
               std::to_string(trial.orderLimit);
  return trial;
}

struct Totals {
  int found = 0;
  int notFound = 0;
  int refused = 0;
  int64_t reopenedFromClosed = 0;
  int64_t improvedInOpen = 0;
};

void compare(const Trial& trial, Totals& totals) {
  SCOPED_TRACE(trial.text);
  reference::ReferencePlanner plain;
  AStarPlanner fast(trial.orderLimit);
  PlannerSettings fastSettings = trial.settings;
  fastSettings.hashBits = trial.fastHashBits;
  bool accepted = plain.setup(trial.settings);
  ASSERT_EQ(fast.setup(fastSettings), accepted);
  if (!accepted) {
    ++totals.refused;
    return;
  }
  plain.begin();
  fast.begin();
  bool found = plain.search();
  ASSERT_EQ(fast.search(), found);
  ASSERT_EQ(fast.factory().inUse(), plain.factory().inUse()) << "a different set of cells was reached";
  totals.reopenedFromClosed += plain.reopenedFromClosed;
  totals.improvedInOpen += plain.improvedInOpen;
  if (!found) {
    ++totals.notFound;
    EXPECT_EQ(fast.path(), nullptr);
  } else {
    ++totals.found;
    const Node* a = plain.path();
    const Node* b = fast.path();
    for (int step = 0; a && b; a = a->parent, b = b->parent, ++step) {
      ASSERT_EQ(b->x, a->x) << "step " << step << " from the goal";
      ASSERT_EQ(b->y, a->y) << "step " << step << " from the goal";
      ASSERT_EQ(bitsOf(b->g), bitsOf(a->g)) << "cost at step " << step;
      ASSERT_EQ(bitsOf(b->f), bitsOf(a->f)) << "priority at step " << step;
    }
    ASSERT_EQ(a, nullptr);
    ASSERT_EQ(b, nullptr);
  }

  if (!trial.settings.allowDiagonal) {
    // The command gives the reference's path.
    DoubleArray grid;
    dimension(grid, trial.width, trial.height);
    for (int i = 0; i < grid.count; ++i) grid.elements[i] = trial.costs[i];
    IntArray expected;
    IntArray actual;
    const PlannerSettings& s = trial.settings;
    int count = plain.writePath(expected);
    ASSERT_EQ(findPath(grid, actual, s.heuristicWeight, s.startX, s.startY, s.goalX, s.goalY), count);
    ASSERT_EQ(dimensionSize(actual, 0), dimensionSize(expected, 0));
    for (int i = 0; i < expected.count; ++i) ASSERT_EQ(actual.elements[i], expected.elements[i]);
  }
  plain.reset();
  fast.reset();
  EXPECT_EQ(plain.factory().inUse(), 0);
  EXPECT_EQ(fast.factory().inUse(), 0);
}

}  // namespace

TEST(PlannerEquivalence, SmallRandomGrids) {
  std::mt19937 random(20240611u);
  Totals totals;
  for (int i = 0; i < 6000; ++i) {
    compare(randomTrial(random, 40), totals);
    if (::testing::Test::HasFatalFailure()) return;
  }
  // The draw covers every branch of the search.
  EXPECT_GT(totals.found, 1000);
  EXPECT_GT(totals.notFound, 200);
  EXPECT_GT(totals.refused, 200);
  EXPECT_GT(totals.reopenedFromClosed, 100);
  EXPECT_GT(totals.improvedInOpen, 100);
}

TEST(PlannerEquivalence, LargerRandomGrids) {
  std::mt19937 random(77u);
  Totals totals;
  for (int i = 0; i < 40; ++i) {
    Trial trial = randomTrial(random, 200);
    trial.settings.goalX = trial.width - 1 - trial.settings.startX;  // far apart, never refused for the side
    if (trial.settings.goalX == trial.settings.startX) trial.settings.goalY = trial.height - 1 - trial.settings.startY;
    compare(trial, totals);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(totals.found, 10);
}
