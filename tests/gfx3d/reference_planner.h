// The planner's search written the plain way, as the yardstick for AStarPlanner: the open list
// kept sorted by descending priority with binary insertion and searched from the back for a
// neighbour, the closed set in a hash table of whatever bits the settings give (the tests give 8:
// 16 x 16 buckets for any grid).
#pragma once

#include "gfx3d/path_planner.h"

namespace vantrel::reference {

struct NeighbourStep {
  int32_t dx;
  int32_t dy;
  bool diagonal;
};
// The order in which neighbours are visited; diagonal ones only when diagonals are allowed.
constexpr NeighbourStep NEIGHBOUR_STEPS[8] = {{-1, -1, true}, {0, -1, false}, {1, -1, true},  {1, 0, false},
                                              {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true}};

class ReferencePlanner : public Planner {
 public:
  // How often a better way reached a closed node and a node in the open list.
  int64_t reopenedFromClosed = 0;
  int64_t improvedInOpen = 0;

  void begin() override {
    Planner::begin();
    Node* start = factory_.allocate();
    if (!start) return;
    start->parent = nullptr;
    start->x = settings_.startX;
    start->y = settings_.startY;
    start->g = 0.0f;
    start->f = detail::priority(0.0f, start->x, start->y, settings_.goalX, settings_.goalY, heuristicWeight_);
    start->next = nullptr;
    openList_.pushBack(start);
  }

  bool search() override {
    ++searchCount_;
    const float diagonalStep = settings_.diagonalCostsRoot2 ? detail::DIAGONAL_STEP : 1.0f;
    while (!openList_.isEmpty()) {
      Node* node = openList_.back();
      openList_.popBack();
      if (isGoal(node)) {
        closedSet_.insert(node);
        path_ = node;
        done_ = 1;
        return true;
      }
      for (const NeighbourStep& step : NEIGHBOUR_STEPS) {
        if (step.diagonal && !settings_.allowDiagonal) continue;
        int32_t x = node->x + step.dx;
        int32_t y = node->y + step.dy;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
        float cost = costAt(x, y);
        if (cost == -1.0f) continue;
        float g = detail::stepCost(node->g, cost, step.diagonal, diagonalStep);
        float f = detail::priority(g, x, y, settings_.goalX, settings_.goalY, heuristicWeight_);
        if (Node* closed = closedSet_.find(x, y)) {
          if (closed->g > g) {
            closedSet_.removeFound();
            ++reopenedFromClosed;
            update(closed, node, g, f);
            insertSorted(closed);
          }
        } else if (int32_t index = findOpen(x, y); index >= 0) {
          Node* open = openList_.at(index);
          if (open->g > g) {
            openList_.eraseAt(index);
            ++improvedInOpen;
            update(open, node, g, f);
            insertSorted(open);
          }
        } else if (Node* fresh = factory_.allocate()) {
          fresh->x = x;
          fresh->y = y;
          fresh->next = nullptr;
          update(fresh, node, g, f);
          insertSorted(fresh);
        }
      }
      closedSet_.insert(node);
    }
    done_ = 1;
    return false;
  }

 private:
  static void update(Node* node, Node* parent, float g, float f) {
    node->parent = parent;
    node->g = g;
    node->f = f;
  }

  int32_t findOpen(int32_t x, int32_t y) const {
    for (int32_t i = openList_.size() - 1; i >= 0; --i) {
      const Node* node = openList_.at(i);
      if (node->x == x && node->y == y) return i;
    }
    return -1;
  }

  // Descending priority; a node goes in front of all nodes of equal priority.
  void insertSorted(Node* node) {
    int32_t lo = 0;
    int32_t hi = openList_.size();
    while (lo < hi) {
      int32_t mid = (lo + hi) / 2;
      if (openList_.at(mid)->f > node->f) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    openList_.insertAt(lo, node);
  }
};

}  // namespace vantrel::reference
