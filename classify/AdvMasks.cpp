#include "classify/AdvMasks.h"

#include <array>
#include <atomic>
#include <cstdlib>

#include "core/AdvAscii.h"
#include "core/AdvStrings.h"

ADV_CLASS_IMPL(TAdvMask, TAdvObject)
ADV_CLASS_IMPL(TAdvMasks, TAdvList)

namespace {

// Relaxed atomics: the table is written at start-up only, but a test may
// change it while no mask is being compiled, and reads must never race.
std::array<std::atomic<uint64_t>, 4> g_leadBytes{};

uint8_t UpperByte(char c) {
  return uint8_t(AsciiUpper(c));
}

// Every raw byte whose upper-cased value is (or, negated, is not) in `members`.
TAdvByteSet FoldedAccepts(const TAdvByteSet& members, bool negate) {
  TAdvByteSet accepts;
  for (int b = 0; b < 256; ++b)
    if (members.Contains(UpperByte(char(b))) != negate) accepts.Add(uint8_t(b));
  return accepts;
}

}  // namespace

void SetMaskLeadBytes(const TAdvByteSet& leadBytes) {
  for (size_t i = 0; i < 4; ++i) g_leadBytes[i].store(leadBytes.Bits[i], std::memory_order_relaxed);
}

TAdvByteSet MaskLeadBytes() {
  TAdvByteSet set;
  for (size_t i = 0; i < 4; ++i) set.Bits[i] = g_leadBytes[i].load(std::memory_order_relaxed);
  return set;
}

// ---------------------------------------------------------------------------
// TAdvMask

TAdvMask::TAdvMask() {
  SetMask({});
}

TAdvMask::TAdvMask(std::string_view mask) {
  SetMask(mask);
}

void TAdvMask::SetMask(std::string_view mask) {
  // Compile into locals first, so a bad mask leaves this one as it was.
  std::vector<TAdvMaskState> states;
  std::vector<TPiece> pieces;
  Compile(mask, states, pieces);
  m_mask.assign(mask);
  m_states = std::move(states);
  m_pieces = std::move(pieces);
}

void TAdvMask::InvalidMask(std::string_view mask, size_t position) const {
  Error("SetMask",
        "'" + std::string(mask) + "' is an invalid mask at (" + std::to_string(position) + ")");
  std::abort();  // Error never returns; this keeps the compiler sure of it
}

// One pass, left to right. `pending` is the `*` seen since the last emitted
// state; every state emitted with it set is a card. Positions in errors are
// 1-based, the end of the mask being one past its last character.
void TAdvMask::Compile(std::string_view mask, std::vector<TAdvMaskState>& states,
                       std::vector<TPiece>& pieces) const {
  const TAdvByteSet lead = MaskLeadBytes();
  const size_t length = mask.size();
  bool pending = false;
  int cards = 0;

  auto emit = [&](TAdvMaskState state, size_t index) {
    state.SkipTo = pending;
    if (pending && ++cards > kMaxMaskCards) InvalidMask(mask, index + 1);
    pending = false;
    states.push_back(state);
  };

  size_t i = 0;
  while (i < length) {
    const char c = mask[i];
    if (c == '*') {
      pending = true;
      ++i;
    } else if (c == '?') {
      // After a `*` the `?` adds nothing: the star already skips it.
      if (!pending) {
        TAdvMaskState any;
        any.Kind = TAdvMaskKind::Any;
        any.Accepts = FoldedAccepts({}, true);
        emit(any, i);
      }
      ++i;
    } else if (c == '[') {
      TAdvMaskState set;
      set.Kind = TAdvMaskKind::Set;
      ++i;
      if (i < length && mask[i] == '!') {
        set.Negate = true;
        ++i;
      }
      bool havePrevious = false;
      uint8_t previous = 0;
      for (;;) {
        if (i >= length) InvalidMask(mask, i + 1);
        const char m = mask[i];
        if (m == ']') break;
        if (m == '-') {
          // A range runs from the last single member to the byte after the
          // `-`; that member stays the low bound of a further range.
          if (!havePrevious) InvalidMask(mask, i + 1);
          if (++i >= length) InvalidMask(mask, i + 1);
          set.Members.AddRange(previous, UpperByte(mask[i]));
        } else if (!lead.Contains(uint8_t(m))) {
          previous = UpperByte(m);
          havePrevious = true;
          set.Members.Add(previous);
        }
        ++i;
      }
      if (set.Members.Empty()) InvalidMask(mask, i + 1);
      set.Accepts = FoldedAccepts(set.Members, set.Negate);
      emit(set, i);
      ++i;
    } else if (lead.Contains(uint8_t(c)) && i + 1 < length) {
      // A lead byte cut off by the end of the mask is a plain literal below.
      TAdvMaskState pair;
      pair.Kind = TAdvMaskKind::DoubleByte;
      pair.Literal = uint8_t(c);
      pair.Trail = uint8_t(mask[i + 1]);
      emit(pair, i + 1);
      i += 2;
    } else {
      TAdvMaskState literal;
      literal.Kind = TAdvMaskKind::Literal;
      literal.Literal = UpperByte(c);
      TAdvByteSet one;
      one.Add(literal.Literal);
      literal.Accepts = FoldedAccepts(one, false);
      emit(literal, i);
      ++i;
    }
  }
  emit(TAdvMaskState{}, length);
  states.shrink_to_fit();

  // Cut the states into pieces at every SkipTo state; the End state closes
  // the last piece without belonging to it.
  pieces.push_back(TPiece{});
  const size_t end = states.size() - 1;
  for (size_t s = 0; s <= end; ++s) {
    if (states[s].SkipTo) pieces.push_back(TPiece{uint32_t(s), 0, 0});
    if (s == end) break;
    pieces.back().Count++;
    pieces.back().Width += uint32_t(states[s].Width());
  }
}

bool TAdvMask::PieceMatchesAt(const TPiece& piece, const unsigned char* at) const {
  const TAdvMaskState* state = m_states.data() + piece.First;
  for (uint32_t n = piece.Count; n > 0; --n, ++state) {
    if (state->Kind == TAdvMaskKind::DoubleByte) {
      if (at[0] != state->Literal || at[1] != state->Trail) return false;
      at += 2;
    } else {
      if (!state->Accepts.Contains(*at)) return false;
      ++at;
    }
  }
  return true;
}

// Phases: the first piece is anchored at the start of the text; with no `*`
// the text must be exactly that long. Otherwise the last piece is anchored at
// the end, and every piece between is placed at its leftmost fit in the gap
// left between the two: a later placement could only leave less room for the
// pieces after it, and the `*` in front of the next piece absorbs whatever is
// skipped. This finds a match exactly when any assignment of the `*` groups
// does, with one backward step at most per text position and piece.
bool TAdvMask::Matches(std::string_view text) const {
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const size_t length = text.size();
  const TPiece& head = m_pieces.front();
  if (head.Width > length || !PieceMatchesAt(head, data)) return false;
  if (m_pieces.size() == 1) return head.Width == length;

  const TPiece& tail = m_pieces.back();
  if (tail.Width > length - head.Width) return false;
  const size_t tailStart = length - tail.Width;
  if (!PieceMatchesAt(tail, data + tailStart)) return false;

  size_t from = head.Width;
  for (size_t p = 1; p + 1 < m_pieces.size(); ++p) {
    const TPiece& piece = m_pieces[p];
    if (piece.Width > tailStart - from) return false;
    const size_t last = tailStart - piece.Width;
    const TAdvMaskState& first = m_states[piece.First];
    size_t at = from;
    for (;; ++at) {
      if (at > last) return false;
      // Cheap test of the first byte before the whole piece.
      if (first.Kind == TAdvMaskKind::DoubleByte ? data[at] == first.Literal
                                                 : first.Accepts.Contains(data[at])) {
        if (PieceMatchesAt(piece, data + at)) break;
      }
    }
    from = at + piece.Width;
  }
  return true;
}

bool TAdvMask::MatchMask(std::string_view text, std::string_view mask) {
  SetMask(mask);
  return Matches(text);
}

int TAdvMask::LastMatchIndex(const TAdvStrings& strings) const {
  for (int i = strings.Count() - 1; i >= 0; --i)
    if (Matches(strings.GetItem(i))) return i;
  return -1;
}

void TAdvMask::Assign(const TAdvObject& source) {
  TAdvObject::Assign(source);
  SetMask(static_cast<const TAdvMask&>(source).m_mask);
}

size_t TAdvMask::SizeInBytes() const {
  return sizeof(*this) + m_mask.capacity() + m_states.capacity() * sizeof(TAdvMaskState) +
         m_pieces.capacity() * sizeof(TPiece);
}

// ---------------------------------------------------------------------------
// TAdvMasks

int TAdvMasks::AddMask(std::string_view mask) {
  TAdvRef<TAdvMask> entry = AdvNew<TAdvMask>(mask);
  const int index = Add(entry.Get());
  entry.Detach();  // the list holds it now
  return index;
}

// A plain scan: a descendant may order its entries by something other than
// the text (TStringWilds goes by length).
int TAdvMasks::IndexOfMask(std::string_view mask) const {
  for (int i = 0; i < Count(); ++i) {
    const TAdvMask* entry = static_cast<const TAdvMask*>(Entry(i));
    if (entry && SameTextAscii(entry->Mask(), mask)) return i;
  }
  return -1;
}

// Empty slots (SetCount opens them) order first and never match.
int TAdvMasks::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  return CompareTextAscii(static_cast<TAdvMask*>(a)->Mask(), static_cast<TAdvMask*>(b)->Mask());
}

void TAdvMasks::CheckEntry(const TAdvObject* object, std::string_view operation) const {
  // Matching reads every entry as a mask, so nothing else may get in.
  if (!object || !object->ClassType()->InheritsFrom(ItemClass()))
    Error(operation, "Can only contain objects descended from " + std::string(ItemClass()->Name));
}

int TAdvMasks::Add(TAdvObject* object) {
  CheckEntry(object, "Add");
  return TAdvList::Add(object);
}

void TAdvMasks::Insert(int index, TAdvObject* object) {
  CheckEntry(object, "Insert");
  TAdvList::Insert(index, object);
}

bool TAdvMasks::TranslateText(std::string_view text, std::string& result) const {
  for (int i = 0; i < Count(); ++i) {
    const TAdvMask* mask = static_cast<const TAdvMask*>(Entry(i));
    if (mask && mask->Matches(text)) {
      result = mask->ResultText();
      return true;
    }
  }
  result.assign(text);
  return false;
}

std::string TAdvMasks::Translate(std::string_view text) const {
  std::string result;
  TranslateText(text, result);
  return result;
}

bool TAdvMasks::AnyMatch(std::string_view text) const {
  for (int i = 0; i < Count(); ++i) {
    const TAdvMask* mask = static_cast<const TAdvMask*>(Entry(i));
    if (mask && mask->Matches(text)) return true;
  }
  return false;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?[") != std::string_view::npos;
}
