#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "link/hid_uart.h"

namespace velmora::testing {

// A bridge handle whose every answer the test writes in advance: the status and count of each
// Write, and the bytes each Read hands back. It keeps what was written and how each Read was
// called, so a test can check the exact calls a command makes.
class ScriptedDevice final : public HidUartDevice {
 public:
  struct WriteResult {
    int status = kHidUartSuccess;
    int written = -1;  // -1: all of it
  };

  std::deque<WriteResult> writeResults;         // next Write's result (default: all written)
  std::deque<std::vector<uint8_t>> readChunks;  // next Read's bytes (default: none)
  std::vector<std::vector<uint8_t>> writes;
  std::vector<std::size_t> readSizes;

  int Write(const uint8_t* data, std::size_t size, std::size_t* written) override {
    writes.emplace_back(data, data + size);
    WriteResult r;
    if (!writeResults.empty()) {
      r = writeResults.front();
      writeResults.pop_front();
    }
    *written = r.written < 0 ? size : static_cast<std::size_t>(r.written);
    return r.status;
  }
  int Read(uint8_t* data, std::size_t size, std::size_t* read) override {
    readSizes.push_back(size);
    std::vector<uint8_t> chunk;
    if (!readChunks.empty()) {
      chunk = readChunks.front();
      readChunks.pop_front();
    }
    const std::size_t n = chunk.size() < size ? chunk.size() : size;
    for (std::size_t i = 0; i < n; ++i) data[i] = chunk[i];
    *read = n;
    return n == size ? kHidUartSuccess : kHidUartReadTimedOut;
  }
  int SetTimeouts(uint32_t, uint32_t) override { return kHidUartSuccess; }
  // The script holds the future: nothing waits to be discarded.
  int DiscardInput(uint32_t, std::size_t* discarded) override {
    if (discarded != nullptr) *discarded = 0;
    return kHidUartSuccess;
  }
  int Reset() override { return kHidUartSuccess; }
  int GetPinConfig(HidUartPinConfig*) override { return kHidUartSuccess; }
  int SetPinConfig(const HidUartPinConfig&) override { return kHidUartSuccess; }
};

}  // namespace velmora::testing
