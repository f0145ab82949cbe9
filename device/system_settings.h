// The two Windows mouse settings the program applies for the user.
#pragma once

#include <cstdint>
#include <optional>

namespace zlv {

// The Windows pointer speed (1..20) of a PointerSpeed step: 0 gives 1, 1..8
// twice the step, 9 and above 18.
constexpr int WindowsPointerSpeed(std::uint8_t pointerSpeed) {
  if (pointerSpeed == 0) return 1;
  if (pointerSpeed <= 8) return 2 * pointerSpeed;
  return 18;
}
// The Windows wheel scroll lines of a WheelLines step.
constexpr int WindowsWheelLines(std::uint8_t wheelLines) { return wheelLines + 1; }

class SystemSettings {
 public:
  virtual ~SystemSettings() = default;
  // The pointer speed (1..20), or nothing when it cannot be read.
  virtual std::optional<int> PointerSpeed() = 0;
  // Sets the pointer speed for the user, stored in the user's profile and
  // broadcast to running programs.
  virtual void SetPointerSpeed(int speed) = 0;
  // Lines scrolled per wheel notch, or nothing when it cannot be read.
  virtual std::optional<int> WheelScrollLines() = 0;
  // Sets the wheel scroll lines, stored in the user's profile.
  virtual void SetWheelScrollLines(int lines) = 0;
};

// Records what the program would give Windows (tests, zlvctl, the demo).
class RecordingSystemSettings final : public SystemSettings {
 public:
  std::optional<int> PointerSpeed() override { return readable ? std::optional(pointer_speed) : std::nullopt; }
  void SetPointerSpeed(int speed) override {
    pointer_speed = speed;
    ++pointer_speed_sets;
  }
  std::optional<int> WheelScrollLines() override { return readable ? std::optional(wheel_lines) : std::nullopt; }
  void SetWheelScrollLines(int lines) override {
    wheel_lines = lines;
    ++wheel_lines_sets;
  }

  bool readable = true;
  int pointer_speed = 10;
  int wheel_lines = 3;
  int pointer_speed_sets = 0;
  int wheel_lines_sets = 0;
};

}  // namespace zlv
