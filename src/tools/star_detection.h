#pragma once
// The star search of the image tool's "FindStars" page: a square spiral
// from the image centre outwards finds each star brighter than a threshold,
// measures it with the object-limit and zone-brightness routines of the
// tracking, blacks it out on a working copy so that it is met only once,
// circles it (radius twice its own) and writes its size and number on the
// target, and keeps it in the next of three
// rotating star lists.

#include "kernels/bitmap24.h"

#include <QPoint>
#include <array>
#include <vector>

namespace StarDetection {

struct TStar {
    double X = 0;        // centre column + 1
    double Y = 0;        // centre row + 1
    double Radius = 0;   // pixels
    std::vector<double> Distances;   // kept with the star; nothing fills it yet
};

// The three lists; StarListIndex names the list of the last search (1..3,
// 0 before the first).
extern std::array<std::vector<TStar>, 3> StarLists;
extern int StarListIndex;

// The search. The working copy is the source copied into a bitmap of the
// target's size (what lies outside the source stays black); the spiral runs
// from ((W - 1) div 2, (H - 1) div 2) with arms of 1, 1, 2, 2, ... up to
// max(W, H) - 1, so that every pixel of a wide or a tall frame is met.
// Each star adds its spiral position to positions (the page lists them as
// "x,y"); the working copy
// with its black discs ends in result when one is given. flag and
// tolerance are not used by the search. Returns the number of stars.
int FindStars(kernels::Bitmap24& target, const kernels::Bitmap24& source, int threshold, bool flag,
              int tolerance, int diameter, std::vector<QPoint>& positions, kernels::Bitmap24* result = nullptr);

// The list of the last search (empty before the first).
const std::vector<TStar>& CurrentList();

} // namespace StarDetection
