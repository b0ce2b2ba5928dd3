#include "shell/main_layout.h"

namespace velmora {

Rect ClientRectForDpi(int dpiX, int dpiY) {
  return {1, 1, kClientWidth * dpiX / 96, kClientHeight * dpiY / 96};
}

MainLayout LayoutMainWindow(int clientWidth, int clientHeight, int toolbarHeight, int paneWidth,
                            int paneHeight) {
  MainLayout l;
  l.pane = {0, toolbarHeight - 1, paneWidth, toolbarHeight - 1 + paneHeight};
  l.commLog = {paneWidth, kCommLogTop, clientWidth, kCommLogTop + kCommLogHeight};
  l.view = {paneWidth, toolbarHeight - 2, clientWidth, clientHeight - kCommLogHeight};
  return l;
}

}  // namespace velmora
