#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/change_sink.h"

namespace velmora {

// The two toggle commands the link acts on, by their command numbers.
enum LinkToggle : int {
  kCommunicationToggle = 40014,  // "通信"
  kMotorToggle = 40016,          // "モータON"
};

inline constexpr std::size_t kDisplayedTextMax = 255;

// What the toolbar shows of the link, in one consistent copy.
struct LinkControlsState {
  bool communicationChecked = false;
  bool communicationEnabled = true;
  bool motorChecked = false;
  bool motorEnabled = true;
  std::vector<std::string> devices;  // serial-number strings of the bridges, in library order
  int selection = -1;                // index into `devices`, -1: none
  bool listEnabled = true;           // the robot list and the axis choice can be used
  int axisChoice = 3;                // 3 or 5
};

// The link's controls as core values: the communication and motor toggles, the robot list with
// its selection, whether the list and the axis choice can be used, and the axis choice. The user
// interface mirrors them and forwards what the user does; the ServoLink thread reads them every
// cycle and changes them (clears a toggle, rebuilds the list, locks the list while connected).
// Every change is reported to the sink: kChangeToggles for the toggles, kChangeDeviceList for the
// list, its selection, its availability and the axis choice.
class LinkControls {
 public:
  explicit LinkControls(ChangeSink* sink = nullptr) : sink_(sink) {}

  // Set once at start-up, before the link thread runs.
  void SetSink(ChangeSink* sink) { sink_.store(sink); }

  // A toggle counts as on when its button is both checked and enabled.
  bool IsToggleChecked(int id) const;
  // Checks or unchecks a toggle (button and menu item together). Unknown ids are ignored.
  void SetToggle(int id, bool checked);
  void EnableToggle(int id, bool enabled);

  // Rebuilds the robot list from the bridges' strings: the entry selected afterwards is the last
  // one whose text equals the text shown before (at most 255 characters), else the first, and
  // none when the list is empty.
  void RebuildDevices(const std::vector<std::string>& devices);
  // The user's choice of robot; refused (false) while the list is locked or out of range.
  bool SelectDevice(int index);
  int Selection() const;
  // The text the list shows: the selected entry, at most 255 characters; empty with none.
  std::string DisplayedText() const;
  std::vector<std::string> Devices() const;

  // The list and the axis choice are locked while connected.
  void SetListEnabled(bool enabled);
  bool ListEnabled() const;

  // 3 (pen type) or 5 (hand type); refused (false) for other values and while locked.
  bool SetAxisChoice(int axes);
  int AxisChoice() const;

  LinkControlsState State() const;

 private:
  void Notify(uint32_t changes);
  static std::string Displayed(const LinkControlsState& s);

  mutable std::mutex mutex_;  // guards state_
  LinkControlsState state_;
  std::atomic<ChangeSink*> sink_;  // written by the UI thread at start-up
};

}  // namespace velmora
