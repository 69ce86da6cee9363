// Wildcard masks: patterns such as *.log, 10.1.* or [a-c]* that a text
// either matches or does not, and a list of masks that translates a text
// through the first mask it matches.
//
// Syntax: `*` any run of bytes (several in a row are one; a `?` right after a
// `*` is dropped, so *? matches the empty rest too), `?` one byte, `[abc]`,
// `[a-c]` and `[!a-c]` one byte in or out of a set, anything else itself.
// Matching ignores ASCII case and nothing else. A mask holds at most
// kMaxMaskCards `*` groups.
//
// A mask is compiled once into an array of states and matched many times.
// Matching allocates nothing and never backtracks further than the last `*`:
// the pieces between stars are placed at their leftmost possible positions
// (which is always safe, since the next `*` absorbs any gap), the piece after
// the last `*` is anchored at the end of the text, so a match costs at most
// O(text length x mask length) whatever the mask.
//
// Thread safety: a compiled mask is immutable while it is matched, so any
// number of threads may call Matches on the same mask at once. SetMask,
// Assign and the list operations need the caller's exclusive use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvLists.h"
#include "core/AdvObjects.h"

class TAdvStrings;

// The most `*` groups one mask may hold (a trailing `*` counts too).
inline constexpr int kMaxMaskCards = 30;

// A set of byte values as a 256-bit map.
struct TAdvByteSet {
  uint64_t Bits[4] = {0, 0, 0, 0};

  void Add(uint8_t b) { Bits[b >> 6] |= uint64_t(1) << (b & 63); }
  // Adds low..high inclusive; nothing when high < low.
  void AddRange(uint8_t low, uint8_t high) {
    for (int b = low; b <= high; ++b) Add(uint8_t(b));
  }
  bool Contains(uint8_t b) const { return (Bits[b >> 6] >> (b & 63)) & 1; }
  bool Empty() const { return (Bits[0] | Bits[1] | Bits[2] | Bits[3]) == 0; }
};

// Lead bytes of the system's double-byte code page. The code pages this
// program runs with are single-byte, so the set is empty unless start-up code
// (or a test) declares one; set it before any mask is compiled. A lead byte
// and the byte after it form one double-byte literal in a mask; inside a set
// a lead byte is skipped.
void SetMaskLeadBytes(const TAdvByteSet& leadBytes);
TAdvByteSet MaskLeadBytes();

enum class TAdvMaskKind : uint8_t {
  Literal,     // one byte equal to Literal after ASCII upper-casing
  Any,         // one arbitrary byte
  Set,         // one byte whose upper-cased value is in Members, unless Negate
  DoubleByte,  // the lead byte Literal followed by the trail byte Trail, exactly
  End,         // the end of the text; always the last state, and only there
};

struct TAdvMaskState {
  TAdvMaskKind Kind = TAdvMaskKind::End;
  // A `*` came before this state: any number of bytes may be skipped first.
  bool SkipTo = false;
  bool Negate = false;
  uint8_t Literal = 0;
  uint8_t Trail = 0;
  // Kind Set: the members as written, upper-cased.
  TAdvByteSet Members;
  // Kinds Literal, Any and Set: every raw text byte this state takes, case
  // folding and negation already applied, so matching tests one bit.
  TAdvByteSet Accepts;

  // Bytes of text the state consumes.
  int Width() const {
    return Kind == TAdvMaskKind::DoubleByte ? 2 : (Kind == TAdvMaskKind::End ? 0 : 1);
  }
};

class TAdvMask : public TAdvObject {
  ADV_CLASS(TAdvMask)
  // The empty mask: matches only the empty text.
  TAdvMask();
  // Compiles at once; raises the mask error as SetMask does.
  explicit TAdvMask(std::string_view mask);

  // Stores and compiles a mask text. Raises EAdvanced "'%s' is an invalid mask
  // at (%d)" (mask text, 1-based position of the fault) for an unclosed or
  // empty set, a `-` that starts a set, or more than kMaxMaskCards `*` groups;
  // the mask is then left as it was.
  void SetMask(std::string_view mask);
  const std::string& Mask() const { return m_mask; }

  bool Matches(std::string_view text) const;
  // SetMask(mask) then Matches(text).
  bool MatchMask(std::string_view text, std::string_view mask);
  // The index of the last entry of `strings` that the mask matches, or -1.
  int LastMatchIndex(const TAdvStrings& strings) const;
  // What a translation through this mask gives: the mask text here.
  virtual std::string ResultText() const { return m_mask; }

  // Copies the mask text and compiles it.
  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override;

  // The compiled states, ending with the one End state.
  int StateCount() const { return int(m_states.size()); }
  const TAdvMaskState& State(int index) const { return m_states[size_t(index)]; }

 protected:
  ~TAdvMask() override = default;

 private:
  // A run of states with no `*` inside: it matches a fixed number of bytes.
  // Piece 0 holds the states before the first `*` (maybe none); every later
  // piece starts with a SkipTo state. The End state is not part of a piece.
  struct TPiece {
    uint32_t First = 0;  // index of the first state
    uint32_t Count = 0;  // number of states
    uint32_t Width = 0;  // bytes of text matched
  };

  void Compile(std::string_view mask, std::vector<TAdvMaskState>& states,
               std::vector<TPiece>& pieces) const;
  [[noreturn]] void InvalidMask(std::string_view mask, size_t position) const;
  bool PieceMatchesAt(const TPiece& piece, const unsigned char* at) const;

  std::string m_mask;
  // Never empty once constructed: the last state is the one End state.
  std::vector<TAdvMaskState> m_states;
  // At least one piece (piece 0, maybe empty). With more than one, the last
  // piece is anchored at the end of the text.
  std::vector<TPiece> m_pieces;
};

// An owning list of masks, tested in list order. Entries must be TAdvMask
// (Add and Insert check); two masks compare by their texts, ignoring ASCII
// case, so IndexOf and a sorted list go by mask text.
class TAdvMasks : public TAdvList {
  ADV_CLASS(TAdvMasks)
  TAdvMasks() = default;

  // The mask at `index`, owned by the list; raises EAdvItems when out of range.
  TAdvMask* Masks(int index) const { return ItemAs<TAdvMask>(index); }
  // Creates a mask from the text (raising the mask error) and adds it.
  virtual int AddMask(std::string_view mask);
  // The index of a mask whose text equals `mask` ignoring ASCII case, or -1.
  int IndexOfMask(std::string_view mask) const;

  // For the first mask that matches, `result` is its ResultText and the answer
  // true; when none matches, `result` is `text` unchanged and the answer false.
  bool TranslateText(std::string_view text, std::string& result) const;
  std::string Translate(std::string_view text) const;
  bool AnyMatch(std::string_view text) const;

  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  TAdvClass ItemClass() const override { return &TAdvMask::ClassInfo; }
  // Both refuse anything but a mask of ItemClass (a null entry included),
  // leaving the caller its reference.
  int Add(TAdvObject* object) override;
  void Insert(int index, TAdvObject* object) override;

 protected:
  ~TAdvMasks() override = default;

  void CheckEntry(const TAdvObject* object, std::string_view operation) const;
};

// Whether a pattern is a mask at all: it holds `*`, `?` or `[`.
bool HasWildcards(std::string_view text);
