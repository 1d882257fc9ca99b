#include "convert/simplify.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace convert {

namespace {

int64_t coordinate(uint32_t value) {
  return static_cast<int64_t>(static_cast<int32_t>(value));
}

uint64_t magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value)
                   : static_cast<uint64_t>(value);
}

// The differences b - a and c - a; each is less than 2^32 in magnitude.
struct Sides {
  int64_t bx, by, cx, cy;
};

Sides sides(const Position& a, const Position& b, const Position& c) {
  return {coordinate(b.first) - coordinate(a.first),
          coordinate(b.second) - coordinate(a.second),
          coordinate(c.first) - coordinate(a.first),
          coordinate(c.second) - coordinate(a.second)};
}

constexpr uint32_t NONE = UINT32_MAX;

// A position that may be removed, with its current area.
struct Candidate {
  uint64_t area;
  uint32_t index;

  // Removed first: the smallest area, then the first position.
  bool before(const Candidate& other) const {
    return area != other.area ? area < other.area : index < other.index;
  }
};

// A min-heap of candidates that knows where each position's entry is, so
// that an area can change in place. Four children to a node make it half as
// deep as a binary heap, with the children side by side in memory.
class CandidateHeap {
 public:
  static constexpr size_t ARITY = 4;

  explicit CandidateHeap(std::vector<Candidate> candidates, uint32_t positions)
      : heap_(std::move(candidates)), slot_(positions, NONE) {
    for (size_t i = 0; i < heap_.size(); ++i) {
      slot_[heap_[i].index] = static_cast<uint32_t>(i);
    }
    for (size_t i = heap_.size() / ARITY + 1; i-- > 0;) sift_down(i);
  }

  const Candidate& top() const { return heap_.front(); }

  void pop() {
    slot_[heap_.front().index] = NONE;
    heap_.front() = heap_.back();
    heap_.pop_back();
    if (!heap_.empty()) {
      slot_[heap_.front().index] = 0;
      sift_down(0);
    }
  }

  void change(uint32_t index, uint64_t area) {
    size_t i = slot_[index];
    bool smaller = area < heap_[i].area;
    heap_[i].area = area;
    if (smaller) {
      sift_up(i);
    } else {
      sift_down(i);
    }
  }

 private:
  void place(size_t i, const Candidate& candidate) {
    heap_[i] = candidate;
    slot_[candidate.index] = static_cast<uint32_t>(i);
  }

  void sift_up(size_t i) {
    Candidate moving = heap_[i];
    while (i > 0) {
      size_t parent = (i - 1) / ARITY;
      if (!moving.before(heap_[parent])) break;
      place(i, heap_[parent]);
      i = parent;
    }
    place(i, moving);
  }

  void sift_down(size_t i) {
    Candidate moving = heap_[i];
    const size_t size = heap_.size();
    for (;;) {
      size_t first = ARITY * i + 1;
      if (first >= size) break;
      size_t child = first;
      size_t end = std::min(first + ARITY, size);
      for (size_t other = first + 1; other < end; ++other) {
        if (heap_[other].before(heap_[child])) child = other;
      }
      if (!heap_[child].before(moving)) break;
      place(i, heap_[child]);
      i = child;
    }
    place(i, moving);
  }

  std::vector<Candidate> heap_;
  std::vector<uint32_t> slot_;  // where each position's entry is, or NONE
};

}  // namespace

uint64_t triangle_area_portable(const Position& a, const Position& b,
                                const Position& c) {
  Sides s = sides(a, b, c);
  // The cross product is p - q; each product's magnitude fits in 64 bits.
  uint64_t p = magnitude(s.bx) * magnitude(s.cy);
  uint64_t q = magnitude(s.by) * magnitude(s.cx);
  bool p_negative = p != 0 && (s.bx < 0) != (s.cy < 0);
  bool q_negative = q != 0 && (s.by < 0) != (s.cx < 0);
  if (p_negative != q_negative) return p + q;
  return p > q ? p - q : q - p;
}

uint64_t triangle_area(const Position& a, const Position& b,
                       const Position& c) {
#ifdef __SIZEOF_INT128__
  __extension__ using Int128 = __int128;
  Sides s = sides(a, b, c);
  Int128 cross = Int128{s.bx} * s.cy - Int128{s.by} * s.cx;
  return static_cast<uint64_t>(cross < 0 ? -cross : cross);
#else
  return triangle_area_portable(a, b, c);
#endif
}

void simplify_path(std::vector<Position>& path, uint32_t capacity) {
  if (path.size() <= capacity) return;
  const uint32_t size = static_cast<uint32_t>(path.size());
  // The path as a doubly linked list over the positions still in it.
  std::vector<uint32_t> previous(size), next(size);
  for (uint32_t i = 0; i < size; ++i) {
    previous[i] = i == 0 ? NONE : i - 1;
    next[i] = i + 1 == size ? NONE : i + 1;
  }
  auto area_of = [&](uint32_t i) {
    return triangle_area(path[previous[i]], path[i], path[next[i]]);
  };
  // Every position between the ends may go.
  std::vector<Candidate> candidates;
  candidates.reserve(size - 2);
  for (uint32_t i = 1; i + 1 < size; ++i) candidates.push_back({area_of(i), i});
  CandidateHeap heap(std::move(candidates), size);

  std::vector<bool> removed(size, false);
  for (uint32_t left = size; left > capacity; --left) {
    uint32_t i = heap.top().index;
    heap.pop();
    removed[i] = true;
    next[previous[i]] = next[i];
    previous[next[i]] = previous[i];
    if (previous[previous[i]] != NONE)
      heap.change(previous[i], area_of(previous[i]));
    if (next[next[i]] != NONE) heap.change(next[i], area_of(next[i]));
  }

  size_t kept = 0;
  for (uint32_t i = 0; i < size; ++i) {
    if (!removed[i]) path[kept++] = path[i];
  }
  path.resize(kept);
}

}  // namespace convert
