// Message boxes shown to the user.
#pragma once

#include "base/text.h"

namespace zlv {

// A message box with an OK button, owned by the main window; its caption is the
// application's name.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(TextView text) = 0;
};

}  // namespace zlv
