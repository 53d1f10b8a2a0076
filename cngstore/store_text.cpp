#include "store_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
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

constexpr std::string_view VERSION_LINE = "CNG configuration store, version 1";
constexpr std::string_view PROVIDERS_SECTION = "[Providers]";
constexpr std::string_view LOCAL_SECTION = "[Configuration\\Local]";
constexpr std::string_view END_LINE = "end";
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

void AppendNamed(std::string& out, int indent, std::string_view keyword, const Name& name) {
  out.append(static_cast<std::size_t>(indent) * 2, ' ');
  out += keyword;
  out.push_back(' ');
  AppendQuoted(out, name);
  out.push_back('\n');
}

void AppendImage(std::string& out, std::string_view keyword, const ImageRecord& image) {
  AppendNamed(out, 1, keyword, image.image);
  for (const InterfaceRecord& reg : image.interfaces) {
    out += "    interface ";
    AppendHex(out, reg.id, 8);
    out += " flags ";
    AppendHex(out, reg.flags, 8);
    out.push_back('\n');
    for (const Name& function : reg.functions) AppendNamed(out, 3, "function", function);
  }
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
    value = 0;
    for (char c : word) {
      ULONG digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<ULONG>(c - '0');
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<ULONG>(c - 'A' + 10);
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<ULONG>(c - 'a' + 10);
      } else {
        return false;
      }
      value = (value << 4) | digit;
    }
    return true;
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

std::uint64_t FoldedHash(const Name& name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t c : name) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    hash = (hash ^ c) * 1099511628211ull;
  }
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

enum class Section { Providers, Local, End };

// What the lines read so far have opened, so that each line knows where it
// belongs, and what must hold across lines.
struct ScanState {
  Section section = Section::Providers;
  bool providerOpen = false;
  bool userMode = false;
  bool kernelMode = false;
  bool imageOpen = false;
  bool imageInterfaceOpen = false;
  Name previousProvider;
  bool contextOpen = false;
  bool interfaceOpen = false;
  bool functionOpen = false;
  ULONG lastInterface = 0;
  std::vector<Name> contexts;
  DistinctNames functions;
  DistinctNames listed;
};

// Reads one entry line of the providers section into the entry.
bool ReadProvidersLine(std::string_view keyword, Cursor& line, Name& name, Entry& entry, ScanState& s) {
  if (keyword == "provider") {
    if (!line.Quoted(name)) return false;
    // In order, and so no two the same.
    if (s.providerOpen && CompareNames(s.previousProvider, name) >= 0) return false;
    s.previousProvider = name;
    s.providerOpen = true;
    s.userMode = s.kernelMode = s.imageOpen = s.imageInterfaceOpen = false;
    entry = {EntryKind::Provider, 1, 0, 0, &name, 0, 0};
    return true;
  }
  if (!s.providerOpen) return false;
  if (keyword == "alias") {
    entry = {EntryKind::Alias, 2, 0, 0, &name, 0, 0};
    return line.Quoted(name);
  }
  if (keyword == "user-mode" || keyword == "kernel-mode") {
    bool& seen = keyword == "user-mode" ? s.userMode : s.kernelMode;
    if (seen || !line.Quoted(name)) return false;
    seen = s.imageOpen = true;
    s.imageInterfaceOpen = false;
    entry = {keyword == "user-mode" ? EntryKind::UserMode : EntryKind::KernelMode, 2, 0, 0, &name, 0, 0};
    return true;
  }
  if (keyword == "interface") {
    entry = {EntryKind::ImageInterface, 3, 0, 0, nullptr, 0, 0};
    if (!s.imageOpen || !line.Hex(entry.id, 8) || !IsKnownInterface(entry.id) ||
        !line.Keyword("flags") || !line.Hex(entry.flags, 8)) {
      return false;
    }
    s.imageInterfaceOpen = true;
    return true;
  }
  if (keyword == "function") {
    entry = {EntryKind::ImageFunction, 4, 0, 0, &name, 0, 0};
    return s.imageInterfaceOpen && line.Quoted(name);
  }
  return false;
}

// Reads one entry line of the local table into the entry.
bool ReadLocalLine(std::string_view text, std::size_t lineStart, std::string_view keyword,
                   Cursor& line, Name& name, Entry& entry, ScanState& s) {
  if (keyword == "context") {
    if (!line.Quoted(name)) return false;
    for (const Name& seen : s.contexts) {
      if (NamesEqual(seen, name)) return false;
    }
    s.contexts.push_back(name);
    if (!s.functions.Close(text) || !s.listed.Close(text)) return false;
    s.contextOpen = true;
    s.interfaceOpen = s.functionOpen = false;
    s.lastInterface = 0;
    entry = {EntryKind::Context, 1, 0, 0, &name, 0, 0};
    return true;
  }
  if (keyword == "interface") {
    entry = {EntryKind::Interface, 2, 0, 0, nullptr, 0, 0};
    if (!s.contextOpen || !line.Hex(entry.id, 8) || !IsKnownInterface(entry.id) ||
        entry.id <= s.lastInterface) {
      return false;
    }
    if (!s.functions.Close(text) || !s.listed.Close(text)) return false;
    s.lastInterface = entry.id;
    s.interfaceOpen = true;
    s.functionOpen = false;
    return true;
  }
  if (keyword == "function") {
    if (!s.interfaceOpen || !line.Quoted(name) || !s.listed.Close(text)) return false;
    s.functions.seen.emplace_back(FoldedHash(name), lineStart);
    s.functionOpen = true;
    entry = {EntryKind::Function, 3, 0, 0, &name, 0, 0};
    return true;
  }
  if (keyword == "provider") {
    if (!s.functionOpen || !line.Quoted(name)) return false;
    s.listed.seen.emplace_back(FoldedHash(name), lineStart);
    entry = {EntryKind::ListedProvider, 4, 0, 0, &name, 0, 0};
    return true;
  }
  return false;
}

}  // namespace

bool ScanStore(std::string_view text, const std::function<void(const Entry&)>& visit) {
  if (text.empty() || text.back() != '\n') return false;
  const std::size_t firstEnd = text.find('\n') + 1;
  std::string_view first = text.substr(0, firstEnd - 1);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != VERSION_LINE) return false;
  visit(Entry{EntryKind::Version, 0, 0, firstEnd, nullptr, 0, 0});

  ScanState s;
  bool started = false;  // "[Providers]" read
  Name name;
  std::size_t entryStart = firstEnd;
  for (std::size_t position = firstEnd; position < text.size();) {
    const std::size_t lineEnd = text.find('\n', position) + 1;
    std::string_view lineText = text.substr(position, lineEnd - 1 - position);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    Cursor line{lineText};
    const std::size_t lineStart = position;
    position = lineEnd;
    if (line.AtEnd() || line.rest.front() == '#') continue;  // kept with the next entry

    Entry entry{};
    if (!started) {
      if (lineText != PROVIDERS_SECTION) return false;
      started = true;
      entry = {EntryKind::ProvidersSection, 0, 0, 0, nullptr, 0, 0};
    } else if (s.section == Section::End) {
      return false;  // nothing may follow "end"
    } else if (s.section == Section::Providers && lineText == LOCAL_SECTION) {
      s.section = Section::Local;
      entry = {EntryKind::LocalSection, 0, 0, 0, nullptr, 0, 0};
    } else if (s.section == Section::Local && lineText == END_LINE) {
      if (!s.functions.Close(text) || !s.listed.Close(text)) return false;
      s.section = Section::End;
      entry = {EntryKind::End, 0, 0, 0, nullptr, 0, 0};
    } else {
      std::string_view keyword;
      if (!line.Word(keyword)) return false;
      const bool read = s.section == Section::Providers
                            ? ReadProvidersLine(keyword, line, name, entry, s)
                            : ReadLocalLine(text, lineStart, keyword, line, name, entry, s);
      if (!read || !line.AtEnd()) return false;
    }
    entry.start = entryStart;
    entry.end = lineEnd;
    visit(entry);
    entryStart = lineEnd;
  }
  return s.section == Section::End;
}

std::string FormatProvider(const ProviderRecord& record) {
  std::string out;
  AppendNamed(out, 0, "provider", record.name);
  for (const Name& alias : record.aliases) AppendNamed(out, 1, "alias", alias);
  if (record.userMode) AppendImage(out, "user-mode", *record.userMode);
  if (record.kernelMode) AppendImage(out, "kernel-mode", *record.kernelMode);
  return out;
}

std::string FormatLine(EntryKind kind, const Name& name) {
  std::string out;
  if (kind == EntryKind::Context) AppendNamed(out, 0, "context", name);
  if (kind == EntryKind::Function) AppendNamed(out, 2, "function", name);
  if (kind == EntryKind::ListedProvider) AppendNamed(out, 3, "provider", name);
  return out;
}

std::string FormatInterfaceLine(ULONG id) {
  std::string out = "  interface ";
  AppendHex(out, id, 8);
  out.push_back('\n');
  return out;
}

}  // namespace cngstore
