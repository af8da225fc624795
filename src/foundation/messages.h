// Every message exists in English and Japanese; the system's default language
// chooses once, at start-up.
#pragma once

namespace zelk {

bool JapaneseMessages();
void SetJapaneseMessages(bool japanese);

inline const char16_t* Msg(const char16_t* english, const char16_t* japanese) {
  return JapaneseMessages() ? japanese : english;
}

}  // namespace zelk
