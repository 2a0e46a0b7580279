// The queue of characters typed into the window (at most 16 waiting), filled by the window's
// character events and read by the input commands.
#pragma once

namespace vantrel {

constexpr int TYPED_CHARACTER_LIMIT = 16;

// 0 is ignored; 13 is stored as 10; other characters below 32 except 8, 9 and 10 are
// ignored; a character arriving while 16 wait is dropped.
void offerTypedCharacter(unsigned char character);
// The first waiting character (removed), or -1 when none waits.
int takeTypedCharacter();
int typedCharacterCount();
void clearTypedCharacters();

}  // namespace vantrel
