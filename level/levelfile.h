#pragma once

#include <stdexcept>
#include <string>

#include "level.h"

namespace level {

inline constexpr const char* kNoHeroMessage = "Where is Trom?";
inline constexpr const char* kNoBombMessage = "You need one bomb at least";

// A save that failed; the text is the one the user sees.
class SaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text for a save that failed with the host's error number.
std::string SaveErrorText(int error);

// The bytes of the level file for the level as it stands.
std::string FormatLevel(const Level& level);

// Writes the level to the round's file. False after a refusal, which it has shown as a dialog;
// throws SaveError when writing fails, leaving any previous file as it was.
bool SaveLevel(const Level& level, int round);

// Empties the level and fills it from the round's file; stops silently at the first failure.
void LoadLevel(Level& level, int round);

}  // namespace level
