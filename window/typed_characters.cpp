// The typed-character queue: a ring of 16 bytes filled by the window's character events.
#include "window/typed_characters.h"

namespace vantrel {

namespace {
unsigned char queue[TYPED_CHARACTER_LIMIT];
int first = 0;
int count = 0;
}  // namespace

void offerTypedCharacter(unsigned char character) {
  if (character == 0) return;
  if (character == 13) character = 10;
  if (character < 32 && character != 8 && character != 9 && character != 10) return;
  if (count == TYPED_CHARACTER_LIMIT) return;
  queue[(first + count) % TYPED_CHARACTER_LIMIT] = character;
  ++count;
}

int takeTypedCharacter() {
  if (count == 0) return -1;
  unsigned char character = queue[first];
  first = (first + 1) % TYPED_CHARACTER_LIMIT;
  --count;
  return character;
}

int typedCharacterCount() { return count; }

void clearTypedCharacters() {
  first = 0;
  count = 0;
}

}  // namespace vantrel
