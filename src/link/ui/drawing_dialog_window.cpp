#include "link/ui/drawing_dialog_window.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/string_table.h"
#include "document/file_dialogs.h"
#include "geometry/kinematics.h"
#include "link/drawing_order.h"
#include "link/ui/svg_reader.h"
#include "shell/program_state.h"
#include "shell/shell_view.h"
#include "shell/ui/widget_control_view.h"
#include "simulator/virtual_pen.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "drawing_layout.inc"
};

constexpr DialogTemplate kFileTemplate{kDrawingDialogId, "図形の読み込み", 300, 236};
constexpr DialogTemplate kTextTemplate{kDrawingDialogId, "文字の描画", 300, 236};

constexpr int kOpenTitleText = 41322;  // "図形の読み込み"
constexpr int kFilterText = 41323;     // "SVG ファイル"
constexpr int kNoFontText = 41324;     // the font package is missing

PathPair::Point ToPoint(DrawingPoint p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y)};
}

}  // namespace

DrawingDialogWindow::DrawingDialogWindow(const ArmGeometry& g, DrawingSource source,
                                         DrawingOptions options, Pose from,
                                         PathComparison& comparison, QWidget* parent,
                                         const DialogHooks& hooks)
    : LayoutDialog(source.fonts.empty() ? kFileTemplate : kTextTemplate, kLayout, parent, hooks),
      behaviour_(View(), g, std::move(source), options, from),
      comparison_(comparison) {
  behaviour_.OnInit();
  ShowPreview();
  ConnectControls();
}

DrawingDialogWindow::~DrawingDialogWindow() { comparison_.Clear(); }

void DrawingDialogWindow::ShowPreview() {
  PathPair paths;
  const DrawingPlan& plan = behaviour_.Plan();
  std::vector<DrawingPoint> points;
  for (const std::vector<DrawingPoint>& travel : plan.travel) {
    std::vector<PathPair::Point> line;
    line.reserve(travel.size());
    for (DrawingPoint p : travel) line.push_back(ToPoint(p));
    paths.travel.push_back(std::move(line));
  }
  for (const Stroke& s : plan.strokes) {
    points.clear();
    FlattenStroke(s, 0.05, 5.0, points);
    std::vector<PathPair::Point> line;
    line.reserve(points.size());
    for (DrawingPoint p : points) line.push_back(ToPoint(p));
    paths.strokes.push_back(std::move(line));
  }
  // The parts out of reach, on the points the check found.
  const FlatDrawing& flat = behaviour_.Flat();
  const DrawingTransform t = PlacementTransform(flat.bounds, behaviour_.CurrentPlacement());
  for (std::size_t s = 0; s < plan.reach.pointOutside.size() && s < flat.strokes.size(); ++s) {
    const auto& outside = plan.reach.pointOutside[s];
    const auto& pts = flat.strokes[s];
    std::vector<PathPair::Point> run;
    for (std::size_t k = 0; k < outside.size() && k < pts.size(); ++k) {
      if (outside[k] != 0) {
        run.push_back(ToPoint(t.Apply(pts[k])));
      } else if (!run.empty()) {
        run.push_back(ToPoint(t.Apply(pts[k])));
        paths.outside.push_back(std::move(run));
        run.clear();
      }
    }
    if (run.size() == 1) run.push_back(run.front());
    if (!run.empty()) paths.outside.push_back(std::move(run));
  }
  comparison_.Show(std::move(paths));
}

bool DrawingDialogWindow::HandleClick(int id) {
  behaviour_.OnClick(id);
  if (id == kDrawingFitButton || id == kDrawingFileOrderCheck) {
    ShowPreview();
    return false;
  }
  if (id == kDrawingOkButton) return behaviour_.Valid();
  return id == kDrawingCancelButton;
}

bool DrawingDialogWindow::HandleClose() {
  behaviour_.OnClick(kDrawingCancelButton);
  return true;
}

void DrawingDialogWindow::HandleChange(int id) {
  behaviour_.OnChange(id);
  ShowPreview();
}

void DrawingDialogWindow::HandleSelChange(int id) {
  behaviour_.OnSelChange(id);
  ShowPreview();
}

namespace {

int RunDialog(ProgramState& state, DrawingSource source, QWidget* parent);

Pose FromPose(const ProgramState& state) {
  const std::size_t current = state.document.motion.CurrentIndex();
  if (const std::optional<Pose> pose = state.document.motion.PoseAt(current)) return *pose;
  return DefaultPose(state.geometry.Get());
}

int RunDialog(ProgramState& state, DrawingSource source, QWidget* parent) {
  DrawingDialogWindow dialog(state.geometry.Get(), std::move(source), CurrentDrawingOptions(state),
                             FromPose(state), state.simulator.comparison, parent);
  // Beside the main window's left edge, over the pane, so the simulator stays in view.
  if (parent != nullptr) dialog.move(parent->window()->mapToGlobal(QPoint(10, 60)));
  dialog.exec();
  const int result = dialog.Result();
  if (result == 1) InsertDrawing(state.pane, dialog.Behaviour().Plan().poses);
  return result;
}

}  // namespace

int RunDrawingDialog(ProgramState& state, FileDialogs& files, QWidget* parent) {
  FileDialogRequest request;
  request.title = LoadText(kOpenTitleText);
  request.filterDescription = LoadText(kFilterText);
  request.filterPattern = "*.svg";
  request.defaultExtension = "svg";
  const std::optional<std::string> path = files.AskOpenPath(request);
  if (!path) return 0;
  SvgReadResult read = ReadSvgFile(*path);
  if (!read.ok()) {
    ShowMessage(parent, SvgErrorText(read.error), MessageButtons::kOk, MessageIcon::kWarning);
    return 0;
  }
  return RunDialog(state, DrawingSource{std::move(read.drawing), {}, {}}, parent);
}

int RunTextDialog(ProgramState& state, QWidget* parent) {
  std::vector<FontChoice> fonts = AvailableFonts();
  if (fonts.empty()) {
    ShowMessage(parent, LoadText(kNoFontText), MessageButtons::kOk, MessageIcon::kWarning);
    return 0;
  }
  return RunDialog(state, DrawingSource{{}, std::move(fonts), JapaneseFont()}, parent);
}

}  // namespace velmora
