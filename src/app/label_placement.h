#pragma once
// Where a text label goes when others are already on the picture: two hands
// held close together would otherwise print their words over each other.

#include <QRectF>
#include <vector>

// `wanted` moved down just below each label of `taken` it would overlap,
// until it overlaps none (at most taken.size() moves, so it always ends).
QRectF PlaceLabel(QRectF wanted, const std::vector<QRectF>& taken);
