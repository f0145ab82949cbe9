// The saves the kill harness cuts off, shared by the loop that runs them and
// the harness that knows what each may leave behind.
#pragma once

#include <cstdint>

#include "base/file_store.h"
#include "base/text.h"

namespace zlv::crash {

enum class SaveKind : std::uint8_t {
  kConfig,  // profile 1 into config.ini, as Save and Apply write it
  kMacros,  // the user macros into Macro_EN.dat, as Set writes them
};

// The file a kind of save writes in `folder`.
Text SavedFile(SaveKind kind, TextView folder);

// Save number `round`: through the program's own save code over `files`, the
// profile or the macro set in one of two states, the state alternating with
// the round. Each state gives the file a different size, so a file cut short
// or mixed from both shows.
bool RunSave(SaveKind kind, FileStore& files, TextView folder, std::uint32_t round);

}  // namespace zlv::crash
