#include "document/document.h"

#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"

namespace velmora {

void NewMotion(Document& doc, const Geometry& geometry, bool resetHistory) {
  doc.motion.ResetTo(DefaultPose(geometry.Get()));
  if (resetHistory) {
    // Until the undo history exists, a reset only means a clean document.
    doc.motion.ClearModified();
  }
}

void FreeMotion(Document& doc) { doc.motion.Free(); }

}  // namespace velmora
