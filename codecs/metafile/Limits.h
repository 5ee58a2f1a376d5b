#pragma once

#include <QtGlobal>

// Bounds that keep a crafted metafile from costing minutes or gigabytes. Real pictures stay far below
// every one of them.
namespace metafile::limits {

// Slots of an object table; WMF and EMF handles are 16-bit in practice.
inline constexpr quint32 maxObjects = 65535;
// SAVEDC nesting.
inline constexpr int maxSaveDepth = 1024;
// Records looked at in one picture, drawn or not.
inline constexpr qint64 maxRecords = 10'000'000;
// Points held by one path between BEGINPATH and ENDPATH.
inline constexpr qint64 maxPathPoints = 1'000'000;
// Pixels of one decoded DIB.
inline constexpr qint64 maxDibPixels = 16'000'000;
// Side of a picture's natural size; above it a header is taken as corrupt.
inline constexpr int maxSide = 1 << 20;
// Drawing work of one picture: each primitive costs its points plus the image pixels its bounds
// cover. Drawing stops, keeping what is drawn, once this is spent.
inline constexpr qint64 drawingBudget = 1'500'000'000;
// The widest pen drawn, in image pixels: wider ones cover the picture anyway and cost the stroker dearly.
inline constexpr double maxPenPixels = 1e5;
// Coordinates of transforms and extents beyond this are taken as garbage and ignored.
inline constexpr double maxCoordinate = 1e8;

} // namespace metafile::limits
