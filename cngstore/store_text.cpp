#include "store_text.h"

#include <array>
#include <charconv>
#include <cstring>
#include <cstdint>
#include <system_error>
#include <utility>
#include <algorithm>
#include <vector>

namespace cngstore {

const std::string_view NEW_STORE_TEXT =
    "CNG configuration store, version 1\n"
    "\n"
    "[Providers]\n"
    "\n"
    "[Configuration\\Local]\n"
    "context \"Default\"\n"
    "\n"
    "end\n";

namespace {

// ---- the grammar ----

enum class Operand : std::uint8_t {
  Line,               // none: the keyword is the whole line
  Name,               // a quoted name
  Interface,          // a known interface, 8 hex digits
  InterfaceAndFlags,  // the same, then "flags" and 8 hex digits
};

// What an entry's siblings under one parent must keep to.
enum class Siblings : std::uint8_t {
  Any,
  InListingOrder,  // names in SortsBefore order, no two alike
  Distinct,        // no two names alike, ASCII case ignored
  Once,            // at most one of this kind
  Ascending,       // interface ids ascend
};

struct EntryGrammar {
  EntryKind kind;
  std::string_view keyword;
  EntryKind parent;       // what it stands under; at level 0, the line before it
  EntryKind otherParent;  // another kind it may stand under, or parent again
  Operand operand;
  Siblings siblings;
};

using K = EntryKind;

// Every entry kind of the file, in the order of EntryKind.
constexpr EntryGrammar GRAMMAR[] = {
    {K::Version, "CNG configuration store, version 1", K::Version, K::Version, Operand::Line, Siblings::Any},
    {K::ProvidersSection, "[Providers]", K::Version, K::Version, Operand::Line, Siblings::Any},
    {K::Provider, "provider", K::ProvidersSection, K::ProvidersSection, Operand::Name, Siblings::InListingOrder},
    {K::Alias, "alias", K::Provider, K::Provider, Operand::Name, Siblings::Any},
    {K::UserMode, "user-mode", K::Provider, K::Provider, Operand::Name, Siblings::Once},
    {K::KernelMode, "kernel-mode", K::Provider, K::Provider, Operand::Name, Siblings::Once},
    {K::ImageInterface, "interface", K::UserMode, K::KernelMode, Operand::InterfaceAndFlags, Siblings::Any},
    {K::ImageFunction, "function", K::ImageInterface, K::ImageInterface, Operand::Name, Siblings::Any},
    {K::LocalSection, "[Configuration\\Local]", K::ProvidersSection, K::ProvidersSection, Operand::Line, Siblings::Any},
    {K::Context, "context", K::LocalSection, K::LocalSection, Operand::Name, Siblings::Distinct},
    {K::Interface, "interface", K::Context, K::Context, Operand::Interface, Siblings::Ascending},
    {K::Function, "function", K::Interface, K::Interface, Operand::Name, Siblings::Distinct},
    {K::ListedProvider, "provider", K::Function, K::Function, Operand::Name, Siblings::Distinct},
    {K::End, "end", K::LocalSection, K::LocalSection, Operand::Line, Siblings::Any},
};

constexpr std::size_t KINDS = std::size(GRAMMAR);

constexpr const EntryGrammar& GrammarOf(EntryKind kind) { return GRAMMAR[static_cast<std::size_t>(kind)]; }

constexpr bool InKindOrder() {
  for (std::size_t i = 0; i < KINDS; ++i) {
    if (static_cast<std::size_t>(GRAMMAR[i].kind) != i) return false;
  }
  return true;
}
static_assert(InKindOrder(), "GRAMMAR lists the kinds in the order of EntryKind");

// An entry's depth in the tree: 0 for whole lines, one below its parent else.
constexpr int LevelOf(EntryKind kind) {
  const EntryGrammar& grammar = GrammarOf(kind);
  return grammar.operand == Operand::Line ? 0 : LevelOf(grammar.parent) + 1;
}

// The levels, worked out once.
constexpr std::array<int, KINDS> LEVELS = [] {
  std::array<int, KINDS> levels{};
  for (const EntryGrammar& grammar : GRAMMAR) levels[static_cast<std::size_t>(grammar.kind)] = LevelOf(grammar.kind);
  return levels;
}();

constexpr int Level(EntryKind kind) { return LEVELS[static_cast<std::size_t>(kind)]; }

constexpr int DEEPEST = *std::max_element(LEVELS.begin(), LEVELS.end());

// An index of the rows by their keywords' first letters, so that a line is
// matched against the one or two rows that can fit it: BY_LETTER lists the
// rows in letter order, and a letter's rows run from LETTER_START[letter] to
// LETTER_START[letter + 1].
constexpr unsigned char FirstLetter(std::size_t row) { return static_cast<unsigned char>(GRAMMAR[row].keyword[0]); }

constexpr std::array<std::uint8_t, KINDS> BY_LETTER = [] {
  std::array<std::uint8_t, KINDS> order{};
  std::size_t sorted = 0;
  for (unsigned letter = 0; letter < 256; ++letter) {
    for (std::size_t row = 0; row < KINDS; ++row) {
      if (FirstLetter(row) == letter) order[sorted++] = static_cast<std::uint8_t>(row);
    }
  }
  return order;
}();

constexpr std::array<std::uint8_t, 257> LETTER_START = [] {
  std::array<std::uint8_t, 257> start{};
  std::size_t row = 0;
  for (std::size_t letter = 0; letter <= 256; ++letter) {
    while (row < KINDS && FirstLetter(BY_LETTER[row]) < letter) ++row;
    start[letter] = static_cast<std::uint8_t>(row);
  }
  return start;
}();

constexpr char HEX[] = "0123456789ABCDEF";

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// ---- writing ----

void AppendHex(std::string& out, ULONG value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(HEX[(value >> shift) & 0xF]);
}

void AppendEncoded(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  static constexpr unsigned char LEAD[] = {0, 0xC0, 0xE0, 0xF0};
  out.push_back(static_cast<char>(LEAD[tail] | (c >> (6 * tail))));
  for (int i = tail - 1; i >= 0; --i) out.push_back(static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F)));
}

void AppendQuoted(std::string& out, const Name& name) {
  out.push_back('"');
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char32_t unit = name[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < name.size() &&
                      name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
    if (pair) {
      AppendEncoded(out, 0x10000 + ((unit - 0xD800) << 10) + (name[++i] - 0xDC00u));
    } else if (unit == u'\\' || unit == u'"') {
      out.push_back('\\');
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x20 || unit == 0x7F || IsSurrogate(unit)) {
      out += "\\u";
      AppendHex(out, unit, 4);
    } else {
      AppendEncoded(out, unit);
    }
  }
  out.push_back('"');
}

// ---- reading ----

// Bytes that stand for themselves inside a quoted name.
constexpr std::array<bool, 256> PLAIN = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

// Bytes that end a word.
constexpr std::array<bool, 256> WORD_END = [] {
  std::array<bool, 256> end{};
  end[' '] = end['\t'] = end['"'] = true;
  return end;
}();

bool Is(const std::array<bool, 256>& table, char c) { return table[static_cast<unsigned char>(c)]; }

struct Cursor {
  std::string_view rest;

  void SkipBlanks() {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  }
  bool AtEnd() {
    SkipBlanks();
    return rest.empty();
  }
  bool Word(std::string_view& word) {
    SkipBlanks();
    std::size_t n = 0;
    while (n < rest.size() && !Is(WORD_END, rest[n])) ++n;
    word = rest.substr(0, n);
    rest.remove_prefix(n);
    return n > 0;
  }
  bool Keyword(std::string_view expected) {
    std::string_view word;
    return Word(word) && word == expected;
  }
  bool Hex(ULONG& value, std::size_t digits) {
    std::string_view word;
    if (!Word(word) || word.size() != digits) return false;
    std::uint32_t parsed = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed, 16);
    value = parsed;
    return error == std::errc() && end == word.data() + word.size();
  }
  bool Byte(unsigned char& byte) {
    if (rest.empty()) return false;
    byte = static_cast<unsigned char>(rest.front());
    rest.remove_prefix(1);
    return true;
  }
  // One UTF-8 character, strictly well-formed.
  bool Character(char32_t& c) {
    unsigned char lead = 0;
    if (!Byte(lead)) return false;
    if (lead < 0x80) {
      c = lead;
      return true;
    }
    const int tail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (tail == 0 || lead > 0xF4) return false;
    c = lead & (0x3Fu >> tail);
    for (int i = 0; i < tail; ++i) {
      unsigned char next = 0;
      if (!Byte(next) || (next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3Fu);
    }
    static constexpr char32_t SMALLEST[] = {0, 0x80, 0x800, 0x10000};
    return c >= SMALLEST[tail] && c <= 0x10FFFF && !IsSurrogate(c);
  }
  bool Quoted(Name& name) {
    SkipBlanks();
    unsigned char quote = 0;
    if (!Byte(quote) || quote != '"') return false;
    name.clear();
    for (;;) {
      // Plain ASCII, the common case, goes straight in.
      std::size_t plain = 0;
      while (plain < rest.size() && Is(PLAIN, rest[plain])) ++plain;
      const std::size_t had = name.size();
      name.resize(had + plain);
      for (std::size_t i = 0; i < plain; ++i) name[had + i] = static_cast<char16_t>(rest[i]);
      rest.remove_prefix(plain);
      if (name.size() > MAX_NAME_LENGTH) return false;
      char32_t c = 0;
      if (!Character(c)) return false;
      if (c == '"') break;
      if (c < 0x20 || c == 0x7F) return false;
      if (c == '\\') {
        if (!Character(c)) return false;
        if (c == 'u') {
          ULONG unit = 0;
          if (rest.size() < 4 || !Cursor{rest.substr(0, 4)}.Hex(unit, 4)) return false;
          rest.remove_prefix(4);
          c = unit;
          if (c == 0) return false;
        } else if (c != '\\' && c != '"') {
          return false;
        }
      }
      if (c >= 0x10000) {
        c -= 0x10000;
        name.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        name.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
      } else {
        name.push_back(static_cast<char16_t>(c));
      }
      if (name.size() > MAX_NAME_LENGTH) return false;
    }
    return !name.empty();
  }
};

// A hash under which names that are equal ignoring ASCII case are equal.
// Setting bit 0x20 of every code unit folds 'A'..'Z' onto 'a'..'z' (and a few
// other pairs together, which only makes their lines be compared exactly);
// four units are taken at a time.
std::uint64_t FoldedHash(const Name& name) {
  constexpr std::uint64_t PRIME = 1099511628211ull;
  std::uint64_t hash = 14695981039346656037ull;
  std::size_t i = 0;
  for (; i + 4 <= name.size(); i += 4) {
    std::uint64_t units = 0;
    std::memcpy(&units, name.data() + i, sizeof units);
    hash = (hash ^ (units | 0x0020002000200020ull)) * PRIME;
  }
  for (; i < name.size(); ++i) hash = (hash ^ (name[i] | 0x20u)) * PRIME;
  return hash;
}

// The name on a line that has already been read once.
bool NameOnLine(std::string_view text, std::size_t lineStart, Name& name) {
  Cursor line{text.substr(lineStart, text.find('\n', lineStart) - lineStart)};
  std::string_view keyword;
  return line.Word(keyword) && line.Quoted(name);
}

// Checks that a list names no entry twice, ignoring case, without keeping
// the names: equal hashes are compared by reading both lines again.
struct DistinctNames {
  std::vector<std::pair<std::uint64_t, std::size_t>> seen;  // hash, line start

  bool Close(std::string_view text) {
    std::sort(seen.begin(), seen.end());
    Name a;
    Name b;
    for (std::size_t i = 1; i < seen.size(); ++i) {
      for (std::size_t j = i; j-- > 0 && seen[j].first == seen[i].first;) {
        if (!NameOnLine(text, seen[i].second, a) || !NameOnLine(text, seen[j].second, b) ||
            NamesEqual(a, b)) {
          return false;
        }
      }
    }
    seen.clear();
    return true;
  }
};

// ---- the scan ----

// Keywords are short: those of eight letters or more are compared as their
// first and last eight bytes, the others letter by letter.
bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() < 8) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  std::uint64_t x = 0;
  std::uint64_t y = 0;
  std::memcpy(&x, a.data(), 8);
  std::memcpy(&y, b.data(), 8);
  if (x != y) return false;
  std::memcpy(&x, a.data() + a.size() - 8, 8);
  std::memcpy(&y, b.data() + b.size() - 8, 8);
  return x == y;
}

// An open entry, and what its children so far were, for their sibling rules.
struct Frame {
  Entry entry{};
  // The entry's name, and the next entry's of this level as it is read: the
  // one is still in use when the other is read, and they take turns.
  std::array<Name, 2> names;
  unsigned current = 0;
  bool anyChild = false;
  EntryKind lastChild = K::Version;
  ULONG lastId = 0;
  std::uint32_t onceSeen = 0;  // a bit per kind
  DistinctNames distinct;
};

struct Scan {
  std::string_view text;
  const std::function<void(const Entry&)>& closed;
  std::array<Frame, DEEPEST + 1> frames{};
  int depth = 0;  // frames open: levels 0 .. depth - 1

  // Closes the open entries from the deepest up to the level given. Run for
  // every entry, so kept in line.
  [[gnu::always_inline]] bool CloseTo(int level, std::size_t blockEnd) {
    while (depth > level) {
      Frame& frame = frames[static_cast<std::size_t>(--depth)];
      frame.entry.blockEnd = blockEnd;
      if (!frame.distinct.seen.empty() && !frame.distinct.Close(text)) return false;
      closed(frame.entry);
    }
    return true;
  }

  // The kind of an entry line under the entries now open, its name read into
  // the next name of its level's frame and its id into id; false when no
  // kind of the grammar fits.
  bool Read(std::string_view line, EntryKind& kind, ULONG& id) {
    Cursor cursor{line};
    std::string_view keyword;
    cursor.Word(keyword);
    const std::size_t letter = keyword.empty() ? 0 : static_cast<unsigned char>(keyword[0]);
    for (std::size_t row = LETTER_START[letter]; row < LETTER_START[letter + 1]; ++row) {
      const EntryGrammar& grammar = GRAMMAR[BY_LETTER[row]];
      if (!SameWord(keyword, grammar.keyword)) continue;
      if (grammar.operand == Operand::Line) break;  // a whole line, which has no operands
      const int level = Level(grammar.kind);
      if (depth < level) continue;
      const EntryKind parent = frames[static_cast<std::size_t>(level - 1)].entry.kind;
      if (parent != grammar.parent && parent != grammar.otherParent) continue;
      kind = grammar.kind;
      Frame& frame = frames[static_cast<std::size_t>(level)];
      ULONG flags = 0;
      switch (grammar.operand) {
        case Operand::Name:
          if (!cursor.Quoted(frame.names[frame.current ^ 1])) return false;
          break;
        case Operand::InterfaceAndFlags:
          if (!cursor.Hex(id, 8) || !IsKnownInterface(id) || !cursor.Keyword("flags") || !cursor.Hex(flags, 8)) {
            return false;
          }
          break;
        case Operand::Interface:
          if (!cursor.Hex(id, 8) || !IsKnownInterface(id)) return false;
          break;
        case Operand::Line:
          break;
      }
      return cursor.AtEnd();
    }
    for (const EntryGrammar& grammar : GRAMMAR) {
      if (grammar.operand == Operand::Line && line == grammar.keyword) {
        kind = grammar.kind;
        return true;
      }
    }
    return false;
  }

  // Whether an entry may follow its siblings so far; records it among them.
  bool KeepsToSiblings(Frame& parent, const Frame& frame, EntryKind kind, ULONG id, std::size_t line) {
    const Name& name = frame.names[frame.current ^ 1];
    const bool follows = parent.anyChild && parent.lastChild == kind;
    const std::uint32_t bit = 1u << static_cast<unsigned>(kind);
    switch (GrammarOf(kind).siblings) {
      case Siblings::InListingOrder:
        if (follows && !SortsBefore(frame.names[frame.current], name)) return false;
        break;
      case Siblings::Distinct:
        parent.distinct.seen.emplace_back(FoldedHash(name), line);
        break;
      case Siblings::Once:
        if ((parent.onceSeen & bit) != 0) return false;
        parent.onceSeen |= bit;
        break;
      case Siblings::Ascending:
        if (follows && id <= parent.lastId) return false;
        parent.lastId = id;
        break;
      case Siblings::Any:
        break;
    }
    parent.anyChild = true;
    parent.lastChild = kind;
    return true;
  }

  bool Open(EntryKind kind, ULONG id, std::size_t start, std::size_t line, std::size_t end) {
    const int level = Level(kind);
    if (level == 0) {
      // The lines of level 0 come in their order: each after the one before it.
      const bool first = depth == 0;
      if (first != (kind == K::Version)) return false;
      if (!first && frames[0].entry.kind != GrammarOf(kind).parent) return false;
    }
    if (!CloseTo(level, start)) return false;
    Frame& frame = frames[static_cast<std::size_t>(level)];
    const bool named = GrammarOf(kind).operand == Operand::Name;
    if (level > 0 && !KeepsToSiblings(frames[static_cast<std::size_t>(level - 1)], frame, kind, id, line)) {
      return false;
    }
    if (named) frame.current ^= 1;
    frame.entry = {kind, start, line, end, 0, named ? &frame.names[frame.current] : nullptr, id,
                   level > 0 ? &frames[static_cast<std::size_t>(level - 1)].entry : nullptr};
    frame.anyChild = false;
    frame.onceSeen = 0;
    frame.lastId = 0;
    depth = level + 1;
    return true;
  }
};

// A line without its line ending and the blanks at either end.
std::string_view Trimmed(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

// Blank and comment lines are kept with the entry after them.
bool IsKept(std::string_view line) { return line.empty() || line.front() == '#'; }

}  // namespace

bool ScanStore(std::string_view text, const std::function<void(const Entry&)>& closed) {
  if (text.empty() || text.back() != '\n') return false;
  Scan scan{text, closed};
  std::size_t entryStart = 0;
  for (std::size_t position = 0; position < text.size();) {
    const std::size_t lineStart = position;
    position = text.find('\n', position) + 1;
    const std::string_view line = Trimmed(text.substr(lineStart, position - 1 - lineStart));
    // The first line is the version line; blank and comment lines go with the next entry.
    if (lineStart > 0 && IsKept(line)) continue;
    EntryKind kind = K::Version;
    ULONG id = 0;
    if (!scan.Read(line, kind, id) || !scan.Open(kind, id, entryStart, lineStart, position)) {
      return false;
    }
    entryStart = position;
  }
  return scan.depth > 0 && scan.frames[0].entry.kind == K::End && scan.CloseTo(0, text.size());
}

std::size_t SkipKeptLines(std::string_view text, std::size_t from) {
  while (from < text.size()) {
    const std::size_t next = text.find('\n', from) + 1;
    if (!IsKept(Trimmed(text.substr(from, next - 1 - from)))) break;
    from = next;
  }
  return from;
}

std::string KeptLines(std::string_view text, std::size_t from, std::size_t to) {
  std::string kept;
  for (std::size_t position = from; position < to;) {
    const std::size_t lineStart = position;
    position = text.find('\n', position) + 1;
    const std::string_view line = Trimmed(text.substr(lineStart, position - 1 - lineStart));
    if (IsKept(line)) kept += text.substr(lineStart, position - lineStart);
  }
  return kept;
}

bool UsesCrlf(std::string_view text) {
  const std::size_t newline = text.find('\n');
  return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r';
}

std::string FormatEntry(EntryKind kind, const Name* name, ULONG id, ULONG flags) {
  const EntryGrammar& grammar = GrammarOf(kind);
  const int level = Level(kind);
  std::string out(level > 1 ? static_cast<std::size_t>(level - 1) * 2 : 0, ' ');
  out += grammar.keyword;
  switch (grammar.operand) {
    case Operand::Name:
      out.push_back(' ');
      AppendQuoted(out, *name);
      break;
    case Operand::InterfaceAndFlags:
    case Operand::Interface:
      out.push_back(' ');
      AppendHex(out, id, 8);
      if (grammar.operand == Operand::InterfaceAndFlags) {
        out += " flags ";
        AppendHex(out, flags, 8);
      }
      break;
    case Operand::Line:
      break;
  }
  out.push_back('\n');
  return out;
}

std::string FormatProvider(const ProviderRecord& record) {
  std::string out = FormatEntry(K::Provider, &record.name);
  for (const Name& alias : record.aliases) out += FormatEntry(K::Alias, &alias);
  for (const auto& [kind, image] : {std::pair{K::UserMode, &record.userMode}, std::pair{K::KernelMode, &record.kernelMode}}) {
    if (!*image) continue;
    out += FormatEntry(kind, &(*image)->image);
    for (const InterfaceRecord& reg : (*image)->interfaces) {
      out += FormatEntry(K::ImageInterface, nullptr, reg.id, reg.flags);
      for (const Name& function : reg.functions) out += FormatEntry(K::ImageFunction, &function);
    }
  }
  return out;
}

}  // namespace cngstore
