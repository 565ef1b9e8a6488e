// Playing animation records: key lists, the Catmull-Rom spline, evaluating a rig at a
// frame time, its bounding box, and drawing any kind of record at a point.
//
// Frame time is what DrawAnim's frame argument counts; key frames are in the same unit.
// Evaluation overwrites a part's values only where a key list of that kind exists, so a
// part without keys keeps the values of its file.
#pragma once

#include <cstdint>

#include "anim/anim.h"

enum class SplineGuard {
  None,                // a duration of 0 gives p1 (animation keys never have one)
  ZeroDurationAsTenth  // replay playback: a duration of 0 is taken as 0.1
};

// The cubic Hermite form of the Catmull-Rom spline through p1 (at e = 0) and p2 (at
// e = d), with p0 and p3 the neighbours outside. Single precision throughout, every
// intermediate rounded to single, so that recorded motion replays the same everywhere.
float Spline(float d, float e, float p3, float p2, float p1, float p0,
             SplineGuard guard = SplineGuard::None);

// value1 (and with twoValues value2) of the list at time t; nothing is written when the
// list is empty. Before the first key and after the last the end keys hold.
void EvalKeys(const RigKeyList& keys, float t, bool twoValues, float& value1, float& value2);

// Evaluates part and its subtree at frame time t below the parent matrix: runs the key
// lists, picks each current frame, composes the transforms and transforms the frames'
// triangles. Walks without recursion, so any depth is safe.
void EvaluateRig(RigPart& part, const RigMatrix& parent, float t);

// Whether DrawRig shows the part: it is Visible and, with InheritVis, no ancestor hides it
// (the walk up stops at an ancestor whose InheritVis is clear).
bool IsShown(const RigPart& part);

// Draws the part, then each member of its drawing order (for a root: every part in file
// order), as textured triangle lists with the given alpha. Needs an evaluation first.
void DrawRig(RigPart& part, uint8_t alpha);

// The box of the transformed frames of the Visible parts in the subtree, valid after an
// evaluation. At a root the box starts empty: minima 1e6, maxima -1e6.
void RigBox(const RigPart& part, float& minX, float& minY, float& maxX, float& maxY);

// Draws the record with its anchor at (X, Y), turned by angle degrees and mirrored
// horizontally when asked. A frame list shows frame `frame` (from 0; past the last, the
// last); a rig is evaluated at frame time `frame`.
void DrawAnim(TSpr& spr, uint16_t frame, bool mirror, float X, float Y, float angle, uint8_t alpha);

// Cuts the record's texture into n cells of w x h pixels, left to right, then row by row
// (a row ends when the next cell would reach past the texture's width). Nothing without a
// texture. n is limited to 65536, the frames DrawAnim can reach.
void SetGridFrames(TSpr& spr, int w, int h, int n);

// The product a x b.
RigMatrix MultiplyRig(const RigMatrix& a, const RigMatrix& b);
// Where m maps the point.
Point2D TransformRig(const RigMatrix& m, Point2D p);
