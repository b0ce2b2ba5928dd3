#pragma once

namespace velmora {

class Application;
class ShellView;

// At start-up, after the window is shown: for each recovery file a copy of the program left when
// it ended without a normal exit (newest first), asks whether to restore that unsaved Motion.
// Yes installs it as a Motion with unsaved changes under the file name it had, with its undo
// history starting there, and makes the file this copy's own; no further file is offered then.
// No deletes the file. A file that cannot be read is reported and left in place; so is one whose
// coordinate system differs and whose load conversion the user refuses. A question closed
// without an answer (the program is ending) keeps every file and asks no more. True when a Motion
// was restored.
bool OfferRecovery(Application& app, ShellView& view);

}  // namespace velmora
