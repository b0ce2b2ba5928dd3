#include "document/document.h"

#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"

namespace velmora {

void NewMotion(Document& doc, const Geometry& geometry, bool resetHistory) {
  doc.motion.ResetTo(DefaultPose(geometry.Get()));
  if (resetHistory) ResetHistory(doc);
}

void FreeMotion(Document& doc) { doc.motion.Free(); }

void ResetHistory(Document& doc) {
  doc.history.Reset(doc.motion);
  doc.motion.ClearModified();
  UpdateUndoAvailability(doc);
}

void RecordStep(Document& doc) {
  doc.history.Record(doc.motion);
  MarkModified(doc);
  UpdateUndoAvailability(doc);
}

bool Undo(Document& doc) {
  const bool done = doc.history.Undo(doc.motion);
  if (done) doc.sink->Notify(kChangeMotion | kChangeCurrentPose | kChangeUndo);
  return done;
}

bool Redo(Document& doc) {
  const bool done = doc.history.Redo(doc.motion);
  if (done) doc.sink->Notify(kChangeMotion | kChangeCurrentPose | kChangeUndo);
  return done;
}

void ReleaseHistory(Document& doc) {
  doc.history.Release();
  UpdateUndoAvailability(doc);
}

void UpdateUndoAvailability(Document& doc) { doc.sink->Notify(kChangeUndo); }

void MarkModified(Document& doc) {
  if (doc.motion.MarkModified()) doc.sink->Notify(kChangeTitle);
}

void UpdateArcGuide(Geometry& geometry, const Motion& motion) {
  ArcGuide guide;
  motion.Read([&](const std::vector<Pose>& poses, std::size_t current) {
    if (current == 0 || current >= poses.size()) return;
    guide = ArcGuideBetween(poses[current - 1], poses[current]);
  });
  geometry.SetArcGuide(guide);
}

}  // namespace velmora
