#include "link/link_controls.h"

namespace velmora {

bool LinkControls::IsToggleChecked(int id) const {
  std::lock_guard lock(mutex_);
  if (id == kCommunicationToggle) {
    return state_.communicationChecked && state_.communicationEnabled;
  }
  if (id == kMotorToggle) return state_.motorChecked && state_.motorEnabled;
  return false;
}

void LinkControls::SetToggle(int id, bool checked) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    bool* flag = id == kCommunicationToggle ? &state_.communicationChecked
                 : id == kMotorToggle       ? &state_.motorChecked
                                            : nullptr;
    if (flag != nullptr && *flag != checked) {
      *flag = checked;
      changed = true;
    }
  }
  if (changed) Notify(kChangeToggles);
}

void LinkControls::EnableToggle(int id, bool enabled) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    bool* flag = id == kCommunicationToggle ? &state_.communicationEnabled
                 : id == kMotorToggle       ? &state_.motorEnabled
                                            : nullptr;
    if (flag != nullptr && *flag != enabled) {
      *flag = enabled;
      changed = true;
    }
  }
  if (changed) Notify(kChangeToggles);
}

std::string LinkControls::Displayed(const LinkControlsState& s) {
  if (s.selection < 0 || s.selection >= static_cast<int>(s.devices.size())) return {};
  return s.devices[static_cast<std::size_t>(s.selection)].substr(0, kDisplayedTextMax);
}

void LinkControls::RebuildDevices(const std::vector<std::string>& devices) {
  {
    std::lock_guard lock(mutex_);
    const std::string remembered = Displayed(state_);
    state_.devices = devices;
    state_.selection = devices.empty() ? -1 : 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
      // The list compares what it shows, and it shows at most 255 characters.
      if (devices[i].substr(0, kDisplayedTextMax) == remembered) {
        state_.selection = static_cast<int>(i);
      }
    }
  }
  Notify(kChangeDeviceList);
}

bool LinkControls::SelectDevice(int index) {
  {
    std::lock_guard lock(mutex_);
    if (!state_.listEnabled || index < 0 || index >= static_cast<int>(state_.devices.size())) {
      return false;
    }
    if (state_.selection == index) return true;
    state_.selection = index;
  }
  Notify(kChangeDeviceList);
  return true;
}

int LinkControls::Selection() const {
  std::lock_guard lock(mutex_);
  return state_.selection;
}

std::string LinkControls::DisplayedText() const {
  std::lock_guard lock(mutex_);
  return Displayed(state_);
}

std::vector<std::string> LinkControls::Devices() const {
  std::lock_guard lock(mutex_);
  return state_.devices;
}

void LinkControls::SetListEnabled(bool enabled) {
  {
    std::lock_guard lock(mutex_);
    if (state_.listEnabled == enabled) return;
    state_.listEnabled = enabled;
  }
  Notify(kChangeDeviceList);
}

bool LinkControls::ListEnabled() const {
  std::lock_guard lock(mutex_);
  return state_.listEnabled;
}

bool LinkControls::SetAxisChoice(int axes) {
  {
    std::lock_guard lock(mutex_);
    if ((axes != 3 && axes != 5) || !state_.listEnabled) return false;
    if (state_.axisChoice == axes) return true;
    state_.axisChoice = axes;
  }
  Notify(kChangeDeviceList);
  return true;
}

int LinkControls::AxisChoice() const {
  std::lock_guard lock(mutex_);
  return state_.axisChoice;
}

LinkControlsState LinkControls::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void LinkControls::Notify(uint32_t changes) {
  if (ChangeSink* sink = sink_.load()) sink->Notify(changes);
}

}  // namespace velmora
