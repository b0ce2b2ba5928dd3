#include "link/ui/svg_reader.h"

#include <QFile>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

#include "base/string_table.h"
#include "link/svg_viewport.h"

namespace velmora {

namespace {

constexpr int kFirstErrorText = 41300;  // 41300..41307 in the order of SvgError from kMissing

// Collects every path drawn into it, in the document's user units, as strokes.
class StrokeEngine : public QPaintEngine {
 public:
  StrokeEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& changed) override {
    if (changed.state() & DirtyTransform) transform_ = changed.transform();
    if (changed.state() & DirtyPen) pen_ = Inks(changed.pen());
    if (changed.state() & DirtyBrush) brush_ = Shows(changed.brush());
  }

  void drawPath(const QPainterPath& path) override {
    if (!Visible()) return;
    Collect(transform_.map(path));
  }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (!Visible() || count < 2) return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int k = 1; k < count; ++k) path.lineTo(points[k]);
    if (mode != PolylineMode) path.closeSubpath();
    Collect(transform_.map(path));
  }
  void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
    QPolygonF f;
    for (int k = 0; k < count; ++k) f.append(QPointF(points[k]));
    drawPolygon(f.constData(), static_cast<int>(f.size()), mode);
  }
  void drawLines(const QLineF* lines, int count) override {
    if (!Visible()) return;
    for (int k = 0; k < count; ++k) {
      QPainterPath path;
      path.moveTo(lines[k].p1());
      path.lineTo(lines[k].p2());
      Collect(transform_.map(path));
    }
  }
  void drawRects(const QRectF* rects, int count) override {
    for (int k = 0; k < count; ++k) {
      QPainterPath path;
      path.addRect(rects[k]);
      drawPath(path);
    }
  }
  void drawEllipse(const QRectF& rect) override {
    QPainterPath path;
    path.addEllipse(rect);
    drawPath(path);
  }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawTextItem(const QPointF&, const QTextItem&) override {}
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}

  std::vector<Stroke>& Strokes() { return strokes_; }
  bool Overflow() const { return segments_ > kSvgMaxSegments; }

 private:
  // Whether a brush leaves anything to see: stroke="none" leaves the pen's style as it was and
  // takes away its brush, and a colour may be wholly transparent (stroke-opacity="0").
  static bool Shows(const QBrush& brush) {
    if (brush.style() == Qt::NoBrush) return false;
    return brush.style() != Qt::SolidPattern || brush.color().alpha() != 0;
  }
  static bool Inks(const QPen& pen) { return pen.style() != Qt::NoPen && Shows(pen.brush()); }

  bool Visible() const {
    // The painter's own pen and brush: the state handed to the engine can lag behind them.
    const QPainter* p = painter();
    if (p != nullptr && p->opacity() <= 0) return false;
    const bool pen = p != nullptr ? Inks(p->pen()) : pen_;
    const bool brush = p != nullptr ? Shows(p->brush()) : brush_;
    return (pen || brush) && !Overflow();
  }

  void Collect(const QPainterPath& path) {
    Stroke stroke;
    bool open = false;
    auto flush = [&]() {
      // A shape both filled and stroked arrives twice in a row: keep it once.
      if (open && !stroke.segments.empty() && !SameAsLast(stroke)) {
        segments_ += stroke.segments.size();
        strokes_.push_back(std::move(stroke));
      }
      stroke = Stroke{};
      open = false;
    };
    const int n = path.elementCount();
    for (int k = 0; k < n && !Overflow(); ++k) {
      const QPainterPath::Element e = path.elementAt(k);
      switch (e.type) {
        case QPainterPath::MoveToElement:
          flush();
          stroke.start = {e.x, e.y};
          open = true;
          break;
        case QPainterPath::LineToElement: {
          DrawingSegment s;
          s.end = {e.x, e.y};
          stroke.segments.push_back(s);
          break;
        }
        case QPainterPath::CurveToElement: {
          if (k + 2 >= n) break;
          const QPainterPath::Element c2 = path.elementAt(k + 1);
          const QPainterPath::Element end = path.elementAt(k + 2);
          DrawingSegment s;
          s.kind = DrawingSegment::kCubic;
          s.c1 = {e.x, e.y};
          s.c2 = {c2.x, c2.y};
          s.end = {end.x, end.y};
          stroke.segments.push_back(s);
          k += 2;
          break;
        }
        case QPainterPath::CurveToDataElement:
          break;
      }
    }
    flush();
  }

  bool SameAsLast(const Stroke& s) const {
    if (strokes_.empty()) return false;
    const Stroke& last = strokes_.back();
    if (!(last.start == s.start) || last.segments.size() != s.segments.size()) return false;
    for (std::size_t k = 0; k < s.segments.size(); ++k) {
      const DrawingSegment& a = last.segments[k];
      const DrawingSegment& b = s.segments[k];
      if (a.kind != b.kind || !(a.end == b.end) || !(a.c1 == b.c1) || !(a.c2 == b.c2)) {
        return false;
      }
    }
    return true;
  }

  QTransform transform_;
  bool pen_ = true;
  bool brush_ = true;
  std::size_t segments_ = 0;
  std::vector<Stroke> strokes_;
};

class StrokeDevice : public QPaintDevice {
 public:
  QPaintEngine* paintEngine() const override { return &engine_; }
  StrokeEngine& Engine() { return engine_; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
      case PdmHeight:
        return 100000;
      case PdmWidthMM:
      case PdmHeightMM:
        return 26458;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDepth:
        return 32;
      case PdmNumColors:
        return 1 << 24;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  mutable StrokeEngine engine_;
};

// Elements that draw no strokes. Text needs the fonts of a GUI application, which the command line
// does not have; the others are pictures.
bool Dropped(QStringView name) {
  return name == QLatin1String("text") || name == QLatin1String("flowRoot") ||
         name == QLatin1String("image") || name == QLatin1String("foreignObject");
}

// The root's size attributes, and the hostile shapes Qt would not stop: declared entities, deep
// nesting, a document that is not SVG. `cleaned` is the document without the elements that draw
// no strokes.
SvgError Precheck(const QByteArray& data, SvgRootAttributes& root, QByteArray& cleaned) {
  QXmlStreamReader xml(data);
  QXmlStreamWriter out(&cleaned);
  int depth = 0;
  int droppedDepth = 0;  // > 0 inside a dropped element
  std::size_t numbers = 0;
  bool sawRoot = false;
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType t = xml.readNext();
    // The usual DOCTYPE line of illustration programs is fine; declared entities are not.
    if (t == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty()) {
      return SvgError::kEntities;
    }
    if (t == QXmlStreamReader::EntityReference) return SvgError::kEntities;
    if (t == QXmlStreamReader::StartElement) {
      if (++depth > kSvgMaxDepth) return SvgError::kTooDeep;
      if (!sawRoot) {
        sawRoot = true;
        if (xml.name() != QLatin1String("svg")) return SvgError::kMalformed;
        const QXmlStreamAttributes a = xml.attributes();
        root.width = a.value("width").toString().toStdString();
        root.height = a.value("height").toString().toStdString();
        root.viewBox = a.value("viewBox").toString().toStdString();
        root.preserveAspectRatio = a.value("preserveAspectRatio").toString().toStdString();
      }
      if (droppedDepth > 0 || Dropped(xml.name())) {
        ++droppedDepth;
        continue;
      }
      for (const QXmlStreamAttribute& a : xml.attributes()) {
        // Names and references hold no geometry.
        if (!a.prefix().isEmpty() || a.name() == QLatin1String("id") ||
            a.name() == QLatin1String("class") || a.name() == QLatin1String("href")) {
          continue;
        }
        const QByteArray value = a.value().toUtf8();
        const NumberScan scan =
            ScanNumbers(std::string_view(value.constData(), static_cast<std::size_t>(value.size())));
        if (scan.absurd) return SvgError::kBadNumbers;
        numbers += scan.count;
        // Two numbers make the least segment (a line); the cap counts them before Qt parses.
        if (numbers > 2 * kSvgMaxSegments) return SvgError::kTooManyParts;
      }
    } else if (t == QXmlStreamReader::EndElement) {
      --depth;
      if (droppedDepth > 0) {
        --droppedDepth;
        continue;
      }
    } else if (droppedDepth > 0 || t == QXmlStreamReader::DTD) {
      continue;
    }
    if (t != QXmlStreamReader::Invalid) out.writeCurrentToken(xml);
  }
  if (xml.hasError() || !sawRoot) return SvgError::kMalformed;
  return SvgError::kNone;
}

// Qt reports path data it cannot read as a warning and draws the part before it; such a file is
// refused rather than drawn in part.
bool g_parseWarning = false;  // UI or command-line thread only, during one read
QtMessageHandler g_previous = nullptr;
void CatchWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg || type == QtCriticalMsg) {
    g_parseWarning = true;
    return;
  }
  if (g_previous != nullptr) g_previous(type, context, text);
}

}  // namespace

SvgReadResult ReadSvgData(const QByteArray& data) {
  SvgReadResult out;
  if (static_cast<std::size_t>(data.size()) > kSvgMaxBytes) {
    out.error = SvgError::kTooLarge;
    return out;
  }
  SvgRootAttributes root;
  QByteArray cleaned;
  out.error = Precheck(data, root, cleaned);
  if (!out.ok()) return out;
  const SvgViewport viewport = ResolveSvgViewport(root);
  if (!viewport.ok) {
    out.error = SvgError::kMalformed;
    return out;
  }
  g_parseWarning = false;
  g_previous = qInstallMessageHandler(CatchWarnings);
  QSvgRenderer renderer;
  const bool loaded = renderer.load(cleaned);
  StrokeDevice device;
  if (loaded && renderer.isValid()) {
    QPainter painter(&device);
    // The view box onto itself: what reaches the engine is in user units.
    renderer.render(&painter, renderer.viewBoxF());
  }
  qInstallMessageHandler(g_previous);
  g_previous = nullptr;
  if (!loaded || !renderer.isValid() || g_parseWarning) {
    out.error = SvgError::kMalformed;
    return out;
  }
  StrokeEngine& engine = device.Engine();
  if (engine.Overflow()) {
    out.error = SvgError::kTooManyParts;
    return out;
  }
  for (Stroke& s : engine.Strokes()) {
    Stroke mm = TransformStroke(s, viewport.userToMm);
    if (!StrokeIsSane(mm)) {
      out.error = SvgError::kBadNumbers;
      out.drawing = {};
      return out;
    }
    out.drawing.strokes.push_back(std::move(mm));
  }
  if (out.drawing.strokes.empty()) out.error = SvgError::kEmpty;
  return out;
}

SvgReadResult ReadSvgFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {SvgError::kMissing, {}};
  if (static_cast<std::size_t>(file.size()) > kSvgMaxBytes) return {SvgError::kTooLarge, {}};
  return ReadSvgData(file.read(static_cast<qint64>(kSvgMaxBytes) + 1));
}

std::string SvgErrorText(SvgError error) {
  if (error == SvgError::kNone) return {};
  return LoadText(kFirstErrorText + static_cast<int>(error) - static_cast<int>(SvgError::kMissing));
}

}  // namespace velmora
