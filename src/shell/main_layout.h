#pragma once

namespace velmora {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr int kClientWidth = 1000;   // at 96 dots per inch
inline constexpr int kClientHeight = 650;
inline constexpr int kCommLogTop = 488;
inline constexpr int kCommLogHeight = 162;
inline constexpr int kWindowX = 30;
inline constexpr int kWindowY = 20;

// The client rectangle the window is sized from: (1, 1) to (W, H), W and H scaled by the screen's
// dots per inch and truncated.
Rect ClientRectForDpi(int dpiX, int dpiY);

// Where the four areas of the main window go, in client pixels.
struct MainLayout {
  Rect pane;     // the pose pane: its own size, at x 0 just under the toolbar
  Rect commLog;  // under the simulator view, 162 px high at y 488
  Rect view;     // the simulator view area
};

MainLayout LayoutMainWindow(int clientWidth, int clientHeight, int toolbarHeight, int paneWidth,
                            int paneHeight);

}  // namespace velmora
