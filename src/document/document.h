#pragma once

#include <string>

#include "document/motion.h"

namespace velmora {

class Geometry;

// The document side of the program-wide state: the Motion and the name of its file. Created once
// at start-up and passed by reference.
struct Document {
  Motion motion;
  std::string fileName;  // empty for an untitled Motion
};

// Discards every Pose and starts over with one default Pose as first, last and current. With
// `resetHistory` the undo history restarts from this Motion, which also clears the modified flag.
void NewMotion(Document& doc, const Geometry& geometry, bool resetHistory);

// Releases every Pose (at exit).
void FreeMotion(Document& doc);

}  // namespace velmora
