// Shape-keeping reduction of a path to a given number of positions.

#ifndef RTETRK_CONVERT_SIMPLIFY_H_
#define RTETRK_CONVERT_SIMPLIFY_H_

#include <cstdint>
#include <vector>

#include "convert/route_to_track.h"

namespace convert {

// Twice the area of the triangle a, b, c, exactly, taking each position's
// two coordinates as signed 32-bit values on a plane: the magnitude of the
// cross product of b - a and c - a. Each of its two products needs 65 bits
// with its sign, so it is computed in 128 bits; the result fits in 64, since
// a triangle inside the square of all coordinates has at most half its area.
uint64_t triangle_area(const Position& a, const Position& b, const Position& c);

// The same, computed without a 128-bit integer type; triangle_area uses it
// where the compiler has none.
uint64_t triangle_area_portable(const Position& a, const Position& b,
                                const Position& c);

// Removes positions from the path until `capacity` are left (capacity >= 2),
// one at a time: the first and last always stay; of those between, the one
// whose triangle with its current neighbours has the smallest area goes, and
// among equal areas the one that comes first in the path. A path of at most
// `capacity` positions is left as it is.
void simplify_path(std::vector<Position>& path, uint32_t capacity);

}  // namespace convert

#endif  // RTETRK_CONVERT_SIMPLIFY_H_
