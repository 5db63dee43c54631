#pragma once

// How many boxes Zelvo serves. The one count: BoxList::kBoxes is this
// number, and parts that may not know the box list (the status board) use
// it directly.
namespace BoxCount {
inline constexpr int kBoxes = 4;
}
