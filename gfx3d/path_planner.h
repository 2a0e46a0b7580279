// The grid path planner: the Planner framework, the weighted A* search and the findPath command
// that returns the cheapest path through a two-dimensional array of cell costs.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "core/array_value.h"
#include "gfx3d/planner_containers.h"

namespace vantrel {

struct PlannerSettings {
  int32_t startX = 0;
  int32_t startY = 0;
  int32_t goalX = 0;
  int32_t goalY = 0;
  uint8_t diagonalCostsRoot2 = 1;  // a diagonal step costs the cell's cost times 1.4142137
  uint8_t allowDiagonal = 0;
  int32_t nodeCapacity = 0;  // 0: one node per cell
  int32_t openCapacity = 0;  // 0: one entry per cell
  int32_t hashBits = 8;
  float heuristicWeight = 0.5f;
  int32_t width = 0;
  int32_t height = 0;
  const double* grid = nullptr;  // cell (x, y) is grid[x + width * y]
};

// Weights outside 0..1 (and NaN) become the nearest of 0 and 1.
float clampHeuristicWeight(double weight);

namespace detail {
constexpr float DIAGONAL_STEP = 1.4142137f;
// g of a neighbour entered with cost c, and its priority: weight 0 orders by cost so far, weight 1
// by distance to the goal. Every planner computes them here so that all agree to the last bit.
inline float stepCost(float g, float c, bool diagonal, float diagonalStep) {
  return diagonal ? g + c * diagonalStep : g + c;
}
inline float priority(float g, int32_t x, int32_t y, int32_t goalX, int32_t goalY, float weight) {
  float h = static_cast<float>(std::abs(goalX - x) + std::abs(goalY - y));
  return g + weight * (h - g);
}
}  // namespace detail

// A search over the cost map of one grid. Use: setup, then begin, search, the path, reset.
class Planner {
 public:
  Planner() = default;
  virtual ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // Refuses coordinates outside the grid, a start equal to the goal, a grid without any positive
  // cost and capacities below one node per cell. Passable costs c become c / largest + 1, so
  // that they lie in (1, 2]; costs of 0 or less (and NaN) block their cell.
  bool setup(const PlannerSettings& settings);
  // Starts a new search (nodes of an earlier one are given back first).
  virtual void begin();
  // True when a path to the goal was found.
  virtual bool search() = 0;
  // Gives every node back to the factory, leaving the planner set up for the next begin.
  virtual void reset();

  // Dimensions out to [count][2] with row i holding (x, y) of the i-th cell from the start and
  // returns count; without a path, returns 0 and leaves out as it was.
  int32_t writePath(IntArray& out) const;

  const Node* path() const { return path_; }
  bool isDone() const { return done_ != 0; }
  int32_t searchCount() const { return searchCount_; }
  const PlannerSettings& settings() const { return settings_; }
  float heuristicWeight() const { return heuristicWeight_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // The normalised cost of a cell, -1 when it is blocked.
  float costAt(int32_t x, int32_t y) const { return costMap_[x + static_cast<int64_t>(width_) * y]; }
  const NodeFactory& factory() const { return factory_; }

 protected:
  bool isGoal(const Node* node) const { return node->x == settings_.goalX && node->y == settings_.goalY; }
  void releaseNodes();

  uint8_t done_ = 0;
  NodeFactory factory_;
  PlannerSettings settings_;
  float heuristicWeight_ = 0.0f;
  int32_t width_ = 0;
  int32_t height_ = 0;
  float* costMap_ = nullptr;
  int32_t searchCount_ = 0;
  FixedDeque<Node*> openList_;
  NodeHashTable closedSet_;
  Node* path_ = nullptr;
};

// Weighted A*: priority f = g + w * (h - g) with h the Manhattan distance to the goal. The open
// list is kept as a 4-ary heap ordered by (f, entry order), which hands out nodes in the same
// order as a list sorted by descending f in which a node entering goes in front of all nodes of
// equal f. A per-cell index beside the nodes holds the cost so far of each cell's node, so that a
// neighbour that cannot improve is passed over without touching its node.
class AStarPlanner : public Planner {
 public:
  // Entry orders are renumbered once orderLimit entries have been made (tests pass a small one).
  explicit AStarPlanner(uint32_t orderLimit = UINT32_MAX) : orderLimit_(orderLimit) {}
  ~AStarPlanner() override;

  void begin() override;
  bool search() override;

 private:
  struct CellState {
    float reached;  // g of the cell's node; infinity while the cell has none
    int32_t node;   // the cell's node by its place in the factory, where reached is finite
  };

  template <bool Diagonals>
  bool searchFrom();
  void reach(Node* from, int32_t x, int32_t y, CellState& state, float g);
  void prefetchAround(const Node* node) const;
  void releaseState();
  uint64_t entryKey(float f);
  void renumberEntries();
  void enterOpen(Node* node);
  void reorderOpen(Node* node);
  Node* takeLowest();
  void place(int32_t index, Node* node, uint64_t key);
  void moveUp(int32_t index, Node* node, uint64_t key);
  void moveDown(int32_t index, Node* node, uint64_t key);

  CellState* cells_ = nullptr;
  int64_t cellCount_ = 0;
  // The heap's sort key of each open-list slot: the priority's rank, then the entry order.
  uint64_t* openKeys_ = nullptr;
  int64_t keyCount_ = 0;
  uint32_t nextOrder_ = 0;
  uint32_t orderLimit_;
};

// Hash bits that give every cell of a width x height grid its own bucket (up to 4096 x 4096, and
// within 16 buckets a cell); findPath sizes its closed set with them, so that closing a node takes
// the same time on any grid.
int32_t hashBitsForGrid(int32_t width, int32_t height);

// The command: the number of points of the cheapest path from the start cell to the goal cell,
// 0 when there is none. Cells with a cost of 0 or less are blocked; steps are never diagonal.
// On success path is [count][2]; after a failure an integer path is left as it was and a
// floating-point path becomes [0][2].
int32_t findPath(const DoubleArray& grid, IntArray& path, double heuristicWeight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY);
int32_t findPath(const DoubleArray& grid, DoubleArray& path, double heuristicWeight, int32_t startX,
                 int32_t startY, int32_t goalX, int32_t goalY);
int32_t findPath(const IntArray& grid, IntArray& path, double heuristicWeight, int32_t startX, int32_t startY,
                 int32_t goalX, int32_t goalY);

}  // namespace vantrel
