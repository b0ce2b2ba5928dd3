#include "link/hidapi/hidapi_library.h"

#include <hidapi/hidapi.h>

#include <mutex>
#include <utility>

#include "link/hidapi/cp2110_bridge.h"
#include "link/hidapi/enumeration_cache.h"

namespace velmora {
namespace {

// hidapi keeps process-wide state of its own (its initialisation and, on some platforms, the
// enumeration and device lists), so the lock that protects it has to be process-wide too. It is
// the library's lock, not program state.
struct LibraryGuard {
  std::mutex mutex;  // guards every hid_init, hid_enumerate, hid_open_path, hid_close, hid_exit
                     // and the global hid_error text, and `initialised`
  bool initialised = false;

  ~LibraryGuard() {
    // Runs after main() returns, when no thread uses the library any more; frees what hid_init
    // and the global error text hold, so that leak checkers stay quiet.
    std::lock_guard lock(mutex);
    if (initialised) hid_exit();
  }
};

LibraryGuard& Library() {
  static LibraryGuard guard;
  return guard;
}

// Call with the library lock held.
bool EnsureInitialised(LibraryGuard& guard) {
  if (!guard.initialised) guard.initialised = hid_init() == 0;
  return guard.initialised;
}

hid_device* Device(HidHandle* handle) { return reinterpret_cast<hid_device*>(handle); }

std::wstring Copy(const wchar_t* text) { return text != nullptr ? std::wstring(text) : L""; }

}  // namespace

std::vector<HidDeviceEntry> HidapiLibrary::Enumerate(uint16_t vid, uint16_t pid) {
  std::vector<HidDeviceEntry> entries;
  LibraryGuard& guard = Library();
  std::lock_guard lock(guard.mutex);
  if (!EnsureInitialised(guard)) return entries;
  hid_device_info* list = hid_enumerate(vid, pid);
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    HidDeviceEntry entry;
    entry.path = info->path != nullptr ? info->path : "";
    entry.vendorId = info->vendor_id;
    entry.productId = info->product_id;
    entry.serialNumber = Copy(info->serial_number);
    entry.manufacturer = Copy(info->manufacturer_string);
    entry.product = Copy(info->product_string);
    entries.push_back(std::move(entry));
  }
  hid_free_enumeration(list);
  return entries;
}

HidHandle* HidapiLibrary::OpenPath(const std::string& path) {
  LibraryGuard& guard = Library();
  std::lock_guard lock(guard.mutex);
  if (!EnsureInitialised(guard)) return nullptr;
  return reinterpret_cast<HidHandle*>(hid_open_path(path.c_str()));
}

void HidapiLibrary::Close(HidHandle* handle) {
  if (handle == nullptr) return;
  std::lock_guard lock(Library().mutex);
  hid_close(Device(handle));
}

int HidapiLibrary::Write(HidHandle* handle, const uint8_t* data, std::size_t length) {
  return hid_write(Device(handle), data, length);
}

int HidapiLibrary::ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length,
                               int milliseconds) {
  return hid_read_timeout(Device(handle), data, length, milliseconds);
}

int HidapiLibrary::SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) {
  return hid_send_feature_report(Device(handle), data, length);
}

int HidapiLibrary::GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) {
  return hid_get_feature_report(Device(handle), data, length);
}

std::wstring HidapiLibrary::Error(HidHandle* handle) {
  if (handle != nullptr) return Copy(hid_error(Device(handle)));
  // The global error text belongs to the last enumerate or open, whichever thread made it.
  std::lock_guard lock(Library().mutex);
  return Copy(hid_error(nullptr));
}

namespace {

// The real library and clock live in a base constructed before the bridge that refers to them.
// The bridge sees the device list through the cache, so the idle link's polls cost nothing
// between two enumerations.
struct RealBridgeParts {
  HidapiLibrary library;
  SteadyClock clock;
  EnumerationCache cache{library, clock};
};

class RealCp2110Bridge final : private RealBridgeParts, public Cp2110Bridge {
 public:
  RealCp2110Bridge() : Cp2110Bridge(cache, clock) {}
};

}  // namespace

std::unique_ptr<HidUart> MakeCp2110Bridge() { return std::make_unique<RealCp2110Bridge>(); }

}  // namespace velmora
