// The handheld's Korean input method: Latin key presses compose Hangul syllables by the standard
// two-set keyboard layout.
//
// Rules that callers may rely on:
// - Letters a-z map to consonants and vowels; the five double consonants and two vowels of the
//   shifted row (Q W E R T O P) come from the capital letter; every other capital types as its
//   small letter. Anything that is not an ASCII letter is not taken.
// - One syllable is composed at a time. A key that cannot join it finishes it (it becomes the
//   committed text) and starts the next one; a vowel after a final consonant takes that consonant
//   (the second half of a double final) as the next syllable's initial.
// - A syllable with only a consonant or only a vowel is shown as the compatibility jamo (U+3131
//   to U+3163).
// - Backspace takes back the last key of the syllable being composed, so "한" goes to "하", "ㅎ"
//   and nothing; it is not taken when nothing is being composed.
#pragma once

#include <string>
#include <vector>

class HangulComposer {
public:
    // Takes one typed character. False, with nothing changed, for a character that is not an ASCII
    // letter. On true, `committed` receives the syllable that the key finished (empty when none).
    bool Feed(wchar_t latin, std::wstring& committed);

    // Takes back the last key of the syllable being composed; false when nothing is composed.
    bool Backspace();

    // Finishes the syllable being composed and answers it (empty when none).
    std::wstring Flush();

    // The character being composed, or 0.
    wchar_t Composing() const;

private:
    struct State {
        int initial = -1;  // index among the 19 initial consonants
        int medial = -1;   // index among the 21 vowels
        int final = 0;     // index among the 28 finals, 0 = none
    };

    // Replays the keys of the current syllable; true when they form one syllable.
    static bool Compose(const std::vector<wchar_t>& jamo, State& state);
    static wchar_t Render(const State& state);

    std::vector<wchar_t> m_keys;  // compatibility jamo of the keys typed for this syllable
};
