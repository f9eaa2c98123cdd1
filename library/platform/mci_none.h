// The multimedia control interface for MIDI: there is no device behind it.
// It answers the library's commands and reports that none can be served.
#pragma once
#include <cstdint>

enum MciCommand : uint32_t {
    MCI_COMMAND_CLOSE = 1,
    MCI_COMMAND_PLAY = 2,
};
constexpr uint32_t MCI_FLAG_NOTIFY = 0x1;
constexpr uint32_t MCI_FLAG_FROM = 0x4;

struct MciPlayParams {
    void* callbackWindow;
    uint32_t from;
};

constexpr uint32_t MCI_RESULT_NO_DEVICE = 1;

// 0 on success; here always MCI_RESULT_NO_DEVICE.
uint32_t PlatformMciSendCommand(uint32_t deviceId, MciCommand command, uint32_t flags, void* params);
