#include "convert/simplify.h"

#include <cstddef>
#include <functional>
#include <queue>

namespace convert {

namespace {

int64_t coordinate(uint32_t value) {
  return static_cast<int64_t>(static_cast<int32_t>(value));
}

// A signed value of up to 128 bits as its sign and magnitude.
struct Wide {
  bool negative = false;
  TriangleArea magnitude;
};

// The exact product of two coordinate differences, which are less than 2^32
// in magnitude: the magnitude of the product fits in 64 bits, its sign not.
Wide multiply(int64_t x, int64_t y) {
  uint64_t a = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
  uint64_t b = y < 0 ? 0 - static_cast<uint64_t>(y) : static_cast<uint64_t>(y);
  Wide product;
  product.magnitude.low = a * b;
  product.negative = (x < 0) != (y < 0) && product.magnitude.low != 0;
  return product;
}

TriangleArea subtract(const TriangleArea& x, const TriangleArea& y) {
  TriangleArea difference;
  difference.low = x.low - y.low;
  difference.high = x.high - y.high - (x.low < y.low ? 1 : 0);
  return difference;
}

TriangleArea add(const TriangleArea& x, const TriangleArea& y) {
  TriangleArea sum;
  sum.low = x.low + y.low;
  sum.high = x.high + y.high + (sum.low < x.low ? 1 : 0);
  return sum;
}

// |p - q| for two signed values.
TriangleArea magnitude_of_difference(const Wide& p, const Wide& q) {
  if (p.negative != q.negative) return add(p.magnitude, q.magnitude);
  return q.magnitude < p.magnitude ? subtract(p.magnitude, q.magnitude)
                                   : subtract(q.magnitude, p.magnitude);
}

constexpr uint32_t NONE = UINT32_MAX;

// A candidate for removal: a position's area at the time it was computed.
struct Candidate {
  TriangleArea area;
  uint32_t index;
  uint32_t version;  // stale once the position's area has been recomputed

  // The queue's top is the smallest area, then the first position.
  bool operator>(const Candidate& other) const {
    if (!(area == other.area)) return other.area < area;
    return index > other.index;
  }
};

}  // namespace

TriangleArea triangle_area_portable(const Position& a, const Position& b,
                                    const Position& c) {
  int64_t bx = coordinate(b.first) - coordinate(a.first);
  int64_t by = coordinate(b.second) - coordinate(a.second);
  int64_t cx = coordinate(c.first) - coordinate(a.first);
  int64_t cy = coordinate(c.second) - coordinate(a.second);
  return magnitude_of_difference(multiply(bx, cy), multiply(by, cx));
}

TriangleArea triangle_area(const Position& a, const Position& b,
                           const Position& c) {
#ifdef __SIZEOF_INT128__
  __extension__ using Int128 = __int128;
  __extension__ using Uint128 = unsigned __int128;
  int64_t bx = coordinate(b.first) - coordinate(a.first);
  int64_t by = coordinate(b.second) - coordinate(a.second);
  int64_t cx = coordinate(c.first) - coordinate(a.first);
  int64_t cy = coordinate(c.second) - coordinate(a.second);
  Int128 cross = Int128{bx} * cy - Int128{by} * cx;
  Uint128 magnitude = cross < 0 ? Uint128{0} - static_cast<Uint128>(cross)
                                : static_cast<Uint128>(cross);
  return TriangleArea{static_cast<uint64_t>(magnitude >> 64),
                      static_cast<uint64_t>(magnitude)};
#else
  return triangle_area_portable(a, b, c);
#endif
}

void simplify_path(std::vector<Position>& path, uint32_t capacity) {
  if (path.size() <= capacity) return;
  const uint32_t size = static_cast<uint32_t>(path.size());
  // The path as a doubly linked list over the positions still in it.
  std::vector<uint32_t> previous(size), next(size), version(size, 0);
  for (uint32_t i = 0; i < size; ++i) {
    previous[i] = i == 0 ? NONE : i - 1;
    next[i] = i + 1 == size ? NONE : i + 1;
  }
  std::vector<Candidate> store;
  store.reserve(size);
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue(
      std::greater<>(), std::move(store));
  auto offer = [&](uint32_t i) {
    queue.push({triangle_area(path[previous[i]], path[i], path[next[i]]), i,
                ++version[i]});
  };
  for (uint32_t i = 1; i + 1 < size; ++i) offer(i);

  std::vector<bool> removed(size, false);
  for (uint32_t left = size; left > capacity;) {
    Candidate candidate = queue.top();
    queue.pop();
    uint32_t i = candidate.index;
    if (candidate.version != version[i]) continue;
    removed[i] = true;
    --left;
    next[previous[i]] = next[i];
    previous[next[i]] = previous[i];
    if (previous[previous[i]] != NONE) offer(previous[i]);
    if (next[next[i]] != NONE) offer(next[i]);
  }

  size_t kept = 0;
  for (uint32_t i = 0; i < size; ++i) {
    if (!removed[i]) path[kept++] = path[i];
  }
  path.resize(kept);
}

}  // namespace convert
