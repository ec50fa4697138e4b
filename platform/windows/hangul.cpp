#include "platform/windows/hangul.h"

namespace {

// Keys a-z, then the capitals that differ from their small letter.
constexpr wchar_t kSmall[26] = {
    0x3141, 0x3160, 0x314A, 0x3147, 0x3137, 0x3139, 0x314E, 0x3157, 0x3151, 0x3153, 0x314F, 0x3163, 0x3161,
    0x315C, 0x3150, 0x3154, 0x3142, 0x3131, 0x3134, 0x3145, 0x3155, 0x314D, 0x3148, 0x314C, 0x315B, 0x314B,
};
struct ShiftedKey {
    wchar_t key;
    wchar_t jamo;
};
constexpr ShiftedKey kShifted[] = {{L'Q', 0x3143}, {L'W', 0x3149}, {L'E', 0x3138}, {L'R', 0x3132},
                                   {L'T', 0x3146}, {L'O', 0x3152}, {L'P', 0x3156}};

// Compatibility jamo of the 19 initials and of the 27 finals (index 1-27).
constexpr wchar_t kInitials[19] = {0x3131, 0x3132, 0x3134, 0x3137, 0x3138, 0x3139, 0x3141, 0x3142, 0x3143, 0x3145,
                                   0x3146, 0x3147, 0x3148, 0x3149, 0x314A, 0x314B, 0x314C, 0x314D, 0x314E};
constexpr wchar_t kFinals[28] = {0,      0x3131, 0x3132, 0x3133, 0x3134, 0x3135, 0x3136, 0x3137, 0x3139, 0x313A,
                                 0x313B, 0x313C, 0x313D, 0x313E, 0x313F, 0x3140, 0x3141, 0x3142, 0x3144, 0x3145,
                                 0x3146, 0x3147, 0x3148, 0x314A, 0x314B, 0x314C, 0x314D, 0x314E};
constexpr wchar_t kFirstVowel = 0x314F;

struct Pair {
    int first;
    wchar_t second;  // the jamo of the key that joins
    int joined;
};
// Vowel indexes: ㅗ 8, ㅜ 13, ㅡ 18.
constexpr Pair kVowelPairs[] = {{8, 0x314F, 9},  {8, 0x3150, 10},  {8, 0x3163, 11}, {13, 0x3153, 14},
                                {13, 0x3154, 15}, {13, 0x3163, 16}, {18, 0x3163, 19}};
// Final indexes: ㄱ 1, ㄴ 4, ㄹ 8, ㅂ 17.
constexpr Pair kFinalPairs[] = {{1, 0x3145, 3},  {4, 0x3148, 5},  {4, 0x314E, 6},  {8, 0x3131, 9},
                                {8, 0x3141, 10}, {8, 0x3142, 11}, {8, 0x3145, 12}, {8, 0x314C, 13},
                                {8, 0x314D, 14}, {8, 0x314E, 15}, {17, 0x3145, 18}};

bool IsVowel(wchar_t jamo) { return jamo >= kFirstVowel && jamo <= 0x3163; }

template <size_t N>
int IndexOf(const wchar_t (&table)[N], wchar_t jamo) {
    for (size_t i = 0; i < N; ++i) {
        if (table[i] != 0 && table[i] == jamo) return static_cast<int>(i);
    }
    return -1;
}

template <size_t N>
int Join(const Pair (&table)[N], int first, wchar_t second) {
    for (const Pair& pair : table) {
        if (pair.first == first && pair.second == second) return pair.joined;
    }
    return -1;
}

wchar_t JamoOfKey(wchar_t latin) {
    for (const ShiftedKey& shifted : kShifted) {
        if (shifted.key == latin) return shifted.jamo;
    }
    if (latin >= L'a' && latin <= L'z') return kSmall[latin - L'a'];
    if (latin >= L'A' && latin <= L'Z') return kSmall[latin - L'A'];
    return 0;
}

}  // namespace

bool HangulComposer::Compose(const std::vector<wchar_t>& jamo, State& state) {
    state = State{};
    for (wchar_t key : jamo) {
        if (IsVowel(key)) {
            if (state.final != 0) return false;
            if (state.medial < 0) {
                state.medial = key - kFirstVowel;
                continue;
            }
            const int joined = Join(kVowelPairs, state.medial, key);
            if (joined < 0) return false;
            state.medial = joined;
            continue;
        }
        if (state.medial < 0) {
            // A consonant opens a syllable; a second one before any vowel starts the next.
            if (state.initial >= 0) return false;
            state.initial = IndexOf(kInitials, key);
            continue;
        }
        if (state.initial < 0) return false;  // a lone vowel takes no final
        if (state.final == 0) {
            const int final = IndexOf(kFinals, key);
            if (final <= 0) return false;  // the doubled ㄸ ㅃ ㅉ are never finals
            state.final = final;
            continue;
        }
        const int joined = Join(kFinalPairs, state.final, key);
        if (joined < 0) return false;
        state.final = joined;
    }
    return true;
}

wchar_t HangulComposer::Render(const State& state) {
    if (state.initial >= 0 && state.medial >= 0) {
        return static_cast<wchar_t>(0xAC00 + (state.initial * 21 + state.medial) * 28 + state.final);
    }
    if (state.initial >= 0) return kInitials[state.initial];
    if (state.medial >= 0) return static_cast<wchar_t>(kFirstVowel + state.medial);
    return 0;
}

bool HangulComposer::Feed(wchar_t latin, std::wstring& committed) {
    committed.clear();
    const wchar_t jamo = JamoOfKey(latin);
    if (jamo == 0) return false;
    State state;
    m_keys.push_back(jamo);
    if (Compose(m_keys, state)) return true;
    m_keys.pop_back();
    Compose(m_keys, state);
    if (IsVowel(jamo) && state.final != 0) {
        // The last consonant typed leaves the finished syllable and opens the next one.
        const wchar_t moved = m_keys.back();
        m_keys.pop_back();
        Compose(m_keys, state);
        committed.assign(1, Render(state));
        m_keys = {moved, jamo};
        return true;
    }
    committed.assign(1, Render(state));
    m_keys = {jamo};
    return true;
}

bool HangulComposer::Backspace() {
    if (m_keys.empty()) return false;
    m_keys.pop_back();
    return true;
}

std::wstring HangulComposer::Flush() {
    std::wstring out;
    if (wchar_t composing = Composing()) out.assign(1, composing);
    m_keys.clear();
    return out;
}

wchar_t HangulComposer::Composing() const {
    State state;
    if (m_keys.empty() || !Compose(m_keys, state)) return 0;
    return Render(state);
}
