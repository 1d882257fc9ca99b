#include "convert/simplify.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace convert {
namespace {

// A position from two signed coordinates.
Position at(int32_t first, int32_t second) {
  return {static_cast<uint32_t>(first), static_cast<uint32_t>(second)};
}

TEST(TriangleArea, IsExactAtTheEdgesOfTheCoordinateRange) {
  const int32_t low = INT32_MIN;
  const int32_t high = INT32_MAX;
  struct Case {
    Position a, b, c;
    uint64_t twice_area;
  };
  const Case cases[] = {
      {at(0, 0), at(1, 0), at(0, 1), 1},
      {at(0, 0), at(0, 1), at(1, 0), 1},  // the other orientation
      {at(5, 5), at(6, 6), at(7, 7), 0},  // collinear
      {at(3, 4), at(3, 4), at(9, 9), 0},  // repeated position
      // Half the square of all coordinates: (2^32 - 1)^2.
      {at(low, low), at(high, low), at(low, high), 0xFFFFFFFE00000001u},
      {at(high, 0), at(low, high), at(low, low), 0xFFFFFFFE00000001u},
      // Products near 2^60 that almost cancel.
      {at(0, 0), at(1 << 30, (1 << 30) + 1), at((1 << 30) - 1, 1 << 30), 1},
      {at(low, low), at(high, high), at(high - 1, high), 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(triangle_area(c.a, c.b, c.c), c.twice_area);
    EXPECT_EQ(triangle_area_portable(c.a, c.b, c.c), c.twice_area);
  }
}

TEST(TriangleArea, PortableAndNativeAgreeOnRandomTriangles) {
  std::mt19937_64 random(12345);
  for (int i = 0; i < 100000; ++i) {
    Position p[3];
    for (Position& position : p) {
      // Mostly extreme values, sometimes small ones.
      uint64_t bits = random();
      position = i % 2 ? Position{static_cast<uint32_t>(bits),
                                  static_cast<uint32_t>(bits >> 32)}
                       : at(static_cast<int32_t>(bits % 7) - 3,
                            static_cast<int32_t>((bits >> 8) % 7) - 3);
    }
    ASSERT_EQ(triangle_area(p[0], p[1], p[2]),
              triangle_area_portable(p[0], p[1], p[2]));
  }
}

TEST(SimplifyPath, RemovesTheSmallestTriangleFirstAndTheEarlierOnATie) {
  struct Case {
    const char* what;
    std::vector<Position> path;
    uint32_t capacity;
    std::vector<Position> kept;
  };
  const Case cases[] = {
      {"short enough",
       {at(0, 0), at(9, 9), at(1, 1)},
       3,
       {at(0, 0), at(9, 9), at(1, 1)}},
      {"collinear tie: the first goes",
       {at(0, 0), at(1, 0), at(2, 0), at(3, 0)},
       3,
       {at(0, 0), at(2, 0), at(3, 0)}},
      {"ends always stay",
       {at(0, 0), at(0, 100), at(100, 100), at(1, 0)},
       2,
       {at(0, 0), at(1, 0)}},
      // Areas 3, 2 and 8: (3, 5) goes first; then (6, 1) has 2 against
      // (4, 3)'s 6, although it had the largest area at the start.
      {"areas recomputed after each removal",
       {at(4, 6), at(4, 3), at(3, 5), at(6, 1), at(1, 5)},
       3,
       {at(4, 6), at(4, 3), at(1, 5)}},
      {"negative coordinates",
       {at(-10, -10), at(-5, -9), at(0, -10), at(0, 10)},
       3,
       {at(-10, -10), at(0, -10), at(0, 10)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Position> path = c.path;
    simplify_path(path, c.capacity);
    EXPECT_EQ(path, c.kept);
  }
}

TEST(SimplifyPath, ALongPathComesDownToTheCapacityInOrder) {
  std::vector<Position> path;
  std::mt19937 random(7);
  for (int32_t i = 0; i < 200000; ++i) {
    path.push_back(at(i, static_cast<int32_t>(random() % 1000)));
  }
  Position first = path.front();
  Position last = path.back();
  simplify_path(path, 10000);
  ASSERT_EQ(path.size(), 10000u);
  EXPECT_EQ(path.front(), first);
  EXPECT_EQ(path.back(), last);
  for (size_t i = 1; i < path.size(); ++i) {
    ASSERT_LT(static_cast<int32_t>(path[i - 1].first),
              static_cast<int32_t>(path[i].first));
  }
}

}  // namespace
}  // namespace convert
