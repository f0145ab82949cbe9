#include "macro/keyboard_hook.h"

namespace zlv {

HookVerdict ForwardHookedKey(int code, std::uint32_t message, std::uint32_t virtual_key,
                             KeyMessageSink& sink) {
  // The system asks for a negative code to go on to the next hook unprocessed.
  if (code < 0) return HookVerdict::kPassOn;
  if (IsKeyMessage(message)) sink.PostKeyMessage(message, virtual_key);
  return HookVerdict::kSwallow;
}

}  // namespace zlv
