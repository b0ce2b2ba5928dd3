#include "simulator/overlay.h"

#include "base/c_format.h"

namespace velmora {

std::vector<OverlayText> BuildOverlay(const Pose& pose, const OverlayInputs& in) {
  std::vector<OverlayText> out;
  out.push_back({2, 2,
                 "(X=" + FormatFixed(pose.x) + ",Y=" + FormatFixed(pose.y) +
                     ",Z=" + FormatFixed(pose.z) + ",回転軸=" + FormatFixed(pose.rotation) +
                     ",ハンド幅=" + FormatFixed(pose.handWidth) + ")",
                 kOverlayBlack});

  const int motors = in.fiveAxis ? 5 : 3;
  for (int k = 1; k <= motors; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    std::string line = "ID" + FormatInt(k) + ":" + FormatIntWidth(pose.motorValues[i], 6, true);
    if (in.connected) {
      // The reply's two bytes, shown as the unsigned number they are.
      line += ", " + FormatIntWidth(static_cast<uint16_t>(in.motorCurrents[i]), 3) + "mA";
    }
    out.push_back({2, 18 + 16 * (k - 1), std::move(line), kOverlayBlack});
  }

  const int hw = in.width / 2;
  const int hh = in.height / 2;
  out.push_back({hw + 3, 26, "+Y", kOverlayBlack});
  out.push_back({hw + 3, in.height - 24, "-Y", kOverlayBlack});
  out.push_back({2, hh + 3, "-X", kOverlayBlack});
  out.push_back({in.width - 32, hh + 3, "+X", kOverlayBlack});

  if (in.recording || in.playing) {
    const uint32_t phase = (in.nowMs % 900) / 300;
    std::string text = in.recording ? "Rec" : "Play";
    for (uint32_t i = 0; i < 3; ++i) text += phase >= i ? '.' : ' ';
    const int x = in.width - 8 * static_cast<int>(text.size());
    out.push_back({x, 2, std::move(text), in.recording ? kOverlayRed : kOverlayBlue});
  }
  return out;
}

}  // namespace velmora
