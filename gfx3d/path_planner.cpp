// The Planner framework, the weighted A* search and the three forms of the findPath command.
#include "gfx3d/path_planner.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {

float clampHeuristicWeight(double weight) {
  // Written so that NaN fails both tests and becomes 0.
  if (!(weight > 0.0)) return 0.0f;
  if (weight >= 1.0) return 1.0f;
  return static_cast<float>(weight);
}

namespace {

// A cost as a float: costs beyond the float range count as the largest float, and positive
// costs too small for a float stay positive.
float positiveCost(double value) {
  if (value >= static_cast<double>(FLT_MAX)) return FLT_MAX;
  float cost = static_cast<float>(value);
  return cost > 0.0f ? cost : FLT_TRUE_MIN;
}

bool isInside(int32_t x, int32_t y, int32_t width, int32_t height) {
  return x >= 0 && x < width && y >= 0 && y < height;
}

// A capacity of 0 means one per cell; anything else must hold one per cell, since a search can
// give every cell a node.
bool capacityFor(int32_t requested, int64_t cells, int32_t* capacity) {
  if (requested == 0) requested = static_cast<int32_t>(cells);
  *capacity = requested;
  return requested >= cells;
}

}  // namespace

Planner::~Planner() { detail::returnBlock(costMap_, static_cast<int64_t>(width_) * height_); }

bool Planner::setup(const PlannerSettings& settings) {
  const int32_t width = settings.width;
  const int32_t height = settings.height;
  if (!settings.grid || !isInside(settings.startX, settings.startY, width, height) ||
      !isInside(settings.goalX, settings.goalY, width, height)) {
    return false;
  }
  if (settings.startX == settings.goalX && settings.startY == settings.goalY) return false;
  const int64_t cells = static_cast<int64_t>(width) * height;
  int32_t nodeCapacity = 0;
  int32_t openCapacity = 0;
  if (cells > INT32_MAX || !capacityFor(settings.nodeCapacity, cells, &nodeCapacity) ||
      !capacityFor(settings.openCapacity, cells, &openCapacity)) {
    return false;
  }

  // The new cost map is built aside, so that a refused grid leaves the planner as it was.
  float* costs = detail::borrowBlock<float>(cells, false);
  float largest = 0.0f;
  for (int64_t i = 0; i < cells; ++i) {
    double value = settings.grid[i];
    if (value > 0.0) {
      costs[i] = positiveCost(value);
      if (costs[i] > largest) largest = costs[i];
    } else {
      costs[i] = -1.0f;
    }
  }
  if (largest == 0.0f) {
    detail::returnBlock(costs, cells);
    return false;
  }
  for (int64_t i = 0; i < cells; ++i) {
    if (costs[i] > 0.0f) costs[i] = costs[i] / largest + 1.0f;
  }
  detail::returnBlock(costMap_, static_cast<int64_t>(width_) * height_);
  costMap_ = costs;

  factory_.reserve(nodeCapacity);
  openList_.reserve(openCapacity);
  closedSet_.create(settings.hashBits);
  settings_ = settings;
  heuristicWeight_ = clampHeuristicWeight(settings.heuristicWeight);
  width_ = width;
  height_ = height;
  path_ = nullptr;
  done_ = 1;
  return true;
}

void Planner::releaseNodes() {
  // Every node in use is in the open list or the closed set: giving those back gives back all.
  factory_.releaseAll();
  openList_.clear();
  closedSet_.clear();
  path_ = nullptr;
}

void Planner::begin() {
  releaseNodes();
  done_ = 0;
  searchCount_ = 0;
}

void Planner::reset() {
  releaseNodes();
  done_ = 1;
}

int32_t Planner::writePath(IntArray& out) const {
  if (!path_) return 0;
  int32_t count = 0;
  for (const Node* node = path_; node; node = node->parent) ++count;
  redimension(out, count, 2);
  int32_t row = count - 1;
  for (const Node* node = path_; node; node = node->parent, --row) {
    element(out, row, 0) = node->x;
    element(out, row, 1) = node->y;
  }
  return count;
}

AStarPlanner::~AStarPlanner() { releaseState(); }

void AStarPlanner::releaseState() {
  detail::returnBlock(cells_, cellCount_);
  detail::returnBlock(openKeys_, keyCount_);
  cells_ = nullptr;
  openKeys_ = nullptr;
  cellCount_ = 0;
  keyCount_ = 0;
}

void AStarPlanner::begin() {
  Planner::begin();
  nextOrder_ = 0;
  const int64_t cells = static_cast<int64_t>(width_) * height_;
  releaseState();
  cells_ = detail::borrowBlock<CellState>(cells, false);
  cellCount_ = cells;
  openKeys_ = detail::borrowBlock<uint64_t>(openList_.capacity(), false);
  keyCount_ = openList_.capacity();
  for (int64_t i = 0; i < cells; ++i) cells_[i].reached = std::numeric_limits<float>::infinity();
  Node* start = factory_.allocate();
  if (!start) return;  // not set up
  start->parent = nullptr;
  start->x = settings_.startX;
  start->y = settings_.startY;
  start->g = 0.0f;
  start->f = detail::priority(0.0f, start->x, start->y, settings_.goalX, settings_.goalY, heuristicWeight_);
  start->next = nullptr;
  const int64_t cell = start->x + static_cast<int64_t>(width_) * start->y;
  cells_[cell].reached = 0.0f;
  cells_[cell].node = factory_.indexOf(start);
  enterOpen(start);
}

bool AStarPlanner::search() {
  ++searchCount_;
  bool found = settings_.allowDiagonal ? searchFrom<true>() : searchFrom<false>();
  done_ = 1;
  return found;
}

template <bool Diagonals>
bool AStarPlanner::searchFrom() {
  const int32_t width = width_;
  const int32_t height = height_;
  const float diagonalStep = settings_.diagonalCostsRoot2 ? detail::DIAGONAL_STEP : 1.0f;
  while (!openList_.isEmpty()) {
    Node* node = takeLowest();
    if (isGoal(node)) {
      closedSet_.insert(node);
      path_ = node;
      return true;
    }
    // The node now lowest is most likely the next one expanded.
    if (!openList_.isEmpty()) prefetchAround(openList_.at(0));
    const int32_t x = node->x;
    const int32_t y = node->y;
    const float g = node->g;
    const int64_t cell = x + static_cast<int64_t>(width) * y;
    // Neighbours in this order: the row above from left to right, right, left, the row below
    // from left to right; diagonal ones only when allowed. A blocked cell costs -1.
    auto visit = [&](int32_t nx, int32_t ny, int64_t next, bool diagonal) {
      const float cost = costMap_[next];
      if (cost < 0.0f) return;
      const float reached = detail::stepCost(g, cost, diagonal, diagonalStep);
      if (reached < cells_[next].reached) reach(node, nx, ny, cells_[next], reached);
    };
    const bool up = y > 0;
    const bool down = y + 1 < height;
    const bool left = x > 0;
    const bool right = x + 1 < width;
    if (Diagonals && up && left) visit(x - 1, y - 1, cell - width - 1, true);
    if (up) visit(x, y - 1, cell - width, false);
    if (Diagonals && up && right) visit(x + 1, y - 1, cell - width + 1, true);
    if (right) visit(x + 1, y, cell + 1, false);
    if (left) visit(x - 1, y, cell - 1, false);
    if (Diagonals && down && left) visit(x - 1, y + 1, cell + width - 1, true);
    if (down) visit(x, y + 1, cell + width, false);
    if (Diagonals && down && right) visit(x + 1, y + 1, cell + width + 1, true);
    closedSet_.insert(node);
  }
  return false;
}

// Asks the processor for what expanding the node will read: the costs and states of its cell's
// row and the rows above and below, and its bucket.
void AStarPlanner::prefetchAround(const Node* node) const {
  const int64_t cell = node->x + static_cast<int64_t>(width_) * node->y;
  __builtin_prefetch(&costMap_[cell]);
  __builtin_prefetch(&cells_[cell]);
  if (node->y > 0) {
    __builtin_prefetch(&costMap_[cell - width_]);
    __builtin_prefetch(&cells_[cell - width_]);
  }
  if (node->y + 1 < height_) {
    __builtin_prefetch(&costMap_[cell + width_]);
    __builtin_prefetch(&cells_[cell + width_]);
  }
  closedSet_.prefetchBucket(node->x, node->y);
}

// A cheaper way into a cell: a new node, a better one for a node in the open list, or a closed
// node opened again.
void AStarPlanner::reach(Node* from, int32_t x, int32_t y, CellState& state, float g) {
  const bool known = state.reached != std::numeric_limits<float>::infinity();
  state.reached = g;
  Node* node;
  if (!known) {
    // setup sized the factory to one node per cell, and each cell gets at most one.
    node = factory_.allocate();
    node->x = x;
    node->y = y;
    node->next = nullptr;
    state.node = factory_.indexOf(node);
  } else {
    node = factory_.nodeAt(state.node);
  }
  node->parent = from;
  node->g = g;
  node->f = detail::priority(g, x, y, settings_.goalX, settings_.goalY, heuristicWeight_);
  if (known && node->openIndex >= 0) {
    reorderOpen(node);
    return;
  }
  if (known) {
    // Neither open nor the node being expanded: it is closed.
    closedSet_.find(x, y);
    closedSet_.removeFound();
  }
  enterOpen(node);
}

namespace {

constexpr int32_t HEAP_ARITY = 4;  // the children of slot i are slots 4i+1 .. 4i+4 (moveDown relies on 4)

// f is never NaN and never -0 (g >= 0, and g + w * (h - g) rounds to +0 at the lowest), so
// ranks order priorities exactly as comparing the floats does.
uint32_t rankOf(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

}  // namespace

// Keys are unique: lower priority first, and of equal priorities the earlier entry.
uint64_t AStarPlanner::entryKey(float f) {
  if (nextOrder_ >= orderLimit_) renumberEntries();
  return static_cast<uint64_t>(rankOf(f)) << 32 | nextOrder_++;
}

// Gives the open nodes the orders 0..size-1 in their present order, which keeps the heap valid.
void AStarPlanner::renumberEntries() {
  const int32_t size = openList_.size();
  int32_t* slots = detail::borrowBlock<int32_t>(size, false);
  for (int32_t i = 0; i < size; ++i) slots[i] = i;
  std::sort(slots, slots + size, [this](int32_t a, int32_t b) { return openKeys_[a] < openKeys_[b]; });
  for (int32_t order = 0; order < size; ++order) {
    uint64_t& key = openKeys_[slots[order]];
    key = (key & 0xffffffff00000000u) | static_cast<uint32_t>(order);
  }
  detail::returnBlock(slots, size);
  nextOrder_ = static_cast<uint32_t>(size);
}

// The heap lives in the open list's slots 0..size-1 with its keys in openKeys_ beside it; every
// node records its slot.
void AStarPlanner::enterOpen(Node* node) {
  const uint64_t key = entryKey(node->f);
  const int32_t index = openList_.size();
  openList_.pushBack(node);
  moveUp(index, node, key);
}

void AStarPlanner::reorderOpen(Node* node) {
  // A node that enters again ranks after the nodes of equal priority already there.
  const uint64_t key = entryKey(node->f);
  const int32_t index = node->openIndex;
  if (index > 0 && key < openKeys_[(index - 1) / HEAP_ARITY]) {
    moveUp(index, node, key);
  } else {
    moveDown(index, node, key);
  }
}

Node* AStarPlanner::takeLowest() {
  Node* lowest = openList_.at(0);
  Node* last = openList_.popBack();
  if (!openList_.isEmpty()) moveDown(0, last, openKeys_[openList_.size()]);
  lowest->openIndex = -1;
  return lowest;
}

inline void AStarPlanner::place(int32_t index, Node* node, uint64_t key) {
  openList_.at(index) = node;
  openKeys_[index] = key;
  node->openIndex = index;
}

void AStarPlanner::moveUp(int32_t index, Node* node, uint64_t key) {
  while (index > 0) {
    const int32_t parent = (index - 1) / HEAP_ARITY;
    if (openKeys_[parent] < key) break;
    place(index, openList_.at(parent), openKeys_[parent]);
    index = parent;
  }
  place(index, node, key);
}

void AStarPlanner::moveDown(int32_t index, Node* node, uint64_t key) {
  const int64_t size = openList_.size();
  for (;;) {
    const int64_t first = HEAP_ARITY * static_cast<int64_t>(index) + 1;
    if (first >= size) break;
    const uint64_t* keys = openKeys_ + first;
    int64_t lowest;
    if (first + HEAP_ARITY <= size) {
      // A full set of children, compared without branches: they are unpredictable.
      const int64_t left = keys[1] < keys[0] ? 1 : 0;
      const int64_t right = keys[3] < keys[2] ? 3 : 2;
      lowest = first + (keys[right] < keys[left] ? right : left);
    } else {
      lowest = first;
      for (int64_t child = first + 1; child < size; ++child) {
        if (openKeys_[child] < openKeys_[lowest]) lowest = child;
      }
    }
    if (key < openKeys_[lowest]) break;
    const int32_t child = static_cast<int32_t>(lowest);
    place(index, openList_.at(child), openKeys_[child]);
    index = child;
  }
  place(index, node, key);
}

int32_t hashBitsForGrid(int32_t width, int32_t height) {
  const int32_t side = width > height ? width : height;
  const int64_t cells = static_cast<int64_t>(width) * height;
  // Never fewer than the 16 x 16 buckets of 8 bits, and for a long, thin grid (whose cells
  // share the buckets of few x values) never more than 16 buckets a cell.
  int32_t half = 4;
  while (half < 12 && (int32_t{1} << half) < side && (int64_t{1} << (2 * half + 2)) <= 16 * cells) ++half;
  return 2 * half;
}

int32_t findPath(const DoubleArray& grid, IntArray& path, double heuristicWeight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY) {
  PlannerSettings settings;
  settings.startX = startX;
  settings.startY = startY;
  settings.goalX = goalX;
  settings.goalY = goalY;
  settings.diagonalCostsRoot2 = 1;
  settings.allowDiagonal = 0;
  settings.nodeCapacity = 0;
  settings.openCapacity = 0;
  settings.width = dimensionSize(grid, 0);
  settings.height = dimensionSize(grid, 1);
  settings.hashBits = hashBitsForGrid(settings.width, settings.height);
  settings.heuristicWeight = clampHeuristicWeight(heuristicWeight);
  settings.grid = grid.elements;

  AStarPlanner planner;
  if (!planner.setup(settings)) return 0;
  planner.begin();
  int32_t count = planner.search() ? planner.writePath(path) : 0;
  planner.reset();
  return count;
}

int32_t findPath(const DoubleArray& grid, DoubleArray& path, double heuristicWeight, int32_t startX,
                 int32_t startY, int32_t goalX, int32_t goalY) {
  IntArray points;
  int32_t count = findPath(grid, points, heuristicWeight, startX, startY, goalX, goalY);
  int32_t rows = dimensionSize(points, 0);
  dimension(path, rows, 2);
  for (int32_t row = 0; row < rows; ++row) {
    element(path, row, 0) = element(points, row, 0);
    element(path, row, 1) = element(points, row, 1);
  }
  return count;
}

int32_t findPath(const IntArray& grid, IntArray& path, double heuristicWeight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY) {
  DoubleArray costs;
  dimension(costs, dimensionSize(grid, 0), dimensionSize(grid, 1));
  for (int32_t i = 0; i < costs.count; ++i) costs.elements[i] = grid.elements[i];
  return findPath(costs, path, heuristicWeight, startX, startY, goalX, goalY);
}

}  // namespace vantrel
