#include "store_text.h"

#include <algorithm>
#include <unordered_set>

namespace cngstore {
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

void AppendLine(std::string& out, int indent, std::string_view keyword) {
  out.append(static_cast<std::size_t>(indent) * 2, ' ');
  out += keyword;
}

void AppendImage(std::string& out, std::string_view keyword, const ImageRecord& image) {
  AppendLine(out, 1, keyword);
  out.push_back(' ');
  AppendQuoted(out, image.image);
  out.push_back('\n');
  for (const InterfaceRecord& reg : image.interfaces) {
    AppendLine(out, 2, "interface ");
    AppendHex(out, reg.id, 8);
    out += " flags ";
    AppendHex(out, reg.flags, 8);
    out.push_back('\n');
    for (const Name& function : reg.functions) {
      AppendLine(out, 3, "function ");
      AppendQuoted(out, function);
      out.push_back('\n');
    }
  }
}

void AppendNamed(std::string& out, int indent, std::string_view keyword, const Name& name) {
  AppendLine(out, indent, keyword);
  out.push_back(' ');
  AppendQuoted(out, name);
  out.push_back('\n');
}

// ---- reading ----

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
    while (n < rest.size() && rest[n] != ' ' && rest[n] != '\t' && rest[n] != '"') ++n;
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
      const char* digit = std::find(HEX, HEX + 16, c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
      if (digit == HEX + 16) return false;
      value = (value << 4) | static_cast<ULONG>(digit - HEX);
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
      while (plain < rest.size() && rest[plain] >= 0x20 && rest[plain] < 0x7F && rest[plain] != '"' &&
             rest[plain] != '\\') {
        ++plain;
      }
      name.append(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(plain));
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

enum class Section { Start, Providers, Local, End };

// What the lines read so far have opened, so that each line knows where it
// belongs.
struct ParseState {
  Section section = Section::Start;
  ImageRecord* image = nullptr;
  InterfaceRecord* reg = nullptr;
  ContextInterface* table = nullptr;
  FunctionEntry* function = nullptr;
};

bool ParseProvidersLine(std::string_view keyword, Cursor& line, ConfigStore& store,
                        ParseState& state) {
  ProviderRecord* provider = store.providers.empty() ? nullptr : &store.providers.back();
  Name name;
  if (keyword == "provider") {
    if (!line.Quoted(name)) return false;
    store.providers.push_back(ProviderRecord{std::move(name), {}, {}, {}});
    state.image = nullptr;
    state.reg = nullptr;
    return true;
  }
  if (provider == nullptr) return false;
  if (keyword == "alias") {
    if (!line.Quoted(name)) return false;
    provider->aliases.push_back(std::move(name));
    return true;
  }
  if (keyword == "user-mode" || keyword == "kernel-mode") {
    std::optional<ImageRecord>& slot = keyword == "user-mode" ? provider->userMode : provider->kernelMode;
    if (slot.has_value() || !line.Quoted(name)) return false;
    slot = ImageRecord{std::move(name), {}};
    state.image = &*slot;
    state.reg = nullptr;
    return true;
  }
  if (keyword == "interface") {
    InterfaceRecord reg;
    if (state.image == nullptr || !line.Hex(reg.id, 8) || !IsKnownInterface(reg.id) ||
        !line.Keyword("flags") || !line.Hex(reg.flags, 8)) {
      return false;
    }
    state.image->interfaces.push_back(std::move(reg));
    state.reg = &state.image->interfaces.back();
    return true;
  }
  if (keyword == "function") {
    if (state.reg == nullptr || !line.Quoted(name)) return false;
    state.reg->functions.push_back(std::move(name));
    return true;
  }
  return false;
}

bool ParseLocalLine(std::string_view keyword, Cursor& line, ConfigStore& store,
                    ParseState& state) {
  Name name;
  if (keyword == "context") {
    if (!line.Quoted(name)) return false;
    for (const Context& c : store.contexts) {
      if (NamesEqual(c.name, name)) return false;
    }
    store.contexts.push_back(Context{std::move(name), {}});
    state.table = nullptr;
    state.function = nullptr;
    return true;
  }
  if (store.contexts.empty()) return false;
  Context& context = store.contexts.back();
  if (keyword == "interface") {
    ULONG id = 0;
    if (!line.Hex(id, 8) || !IsKnownInterface(id)) return false;
    if (!context.interfaces.empty() && context.interfaces.back().id >= id) return false;
    context.interfaces.push_back(ContextInterface{id, {}});
    state.table = &context.interfaces.back();
    state.function = nullptr;
    return true;
  }
  if (keyword == "function") {
    if (state.table == nullptr || !line.Quoted(name)) return false;
    state.table->functions.push_back(FunctionEntry{std::move(name), {}});
    state.function = &state.table->functions.back();
    return true;
  }
  if (keyword == "provider") {
    if (state.function == nullptr || !line.Quoted(name)) return false;
    state.function->providers.push_back(std::move(name));
    return true;
  }
  return false;
}

bool ParseLine(std::string_view text, ConfigStore& store, ParseState& state) {
  Cursor line{text};
  if (line.AtEnd() || line.rest.front() == '#') return true;
  if (state.section == Section::Start) {
    if (text != PROVIDERS_SECTION) return false;
    state.section = Section::Providers;
    return true;
  }
  if (state.section == Section::End) return false;  // nothing may follow "end"
  if (state.section == Section::Providers && text == LOCAL_SECTION) {
    state.section = Section::Local;
    return true;
  }
  if (state.section == Section::Local && text == END_LINE) {
    state.section = Section::End;
    return true;
  }
  std::string_view keyword;
  if (!line.Word(keyword)) return false;
  const bool parsed = state.section == Section::Providers
                          ? ParseProvidersLine(keyword, line, store, state)
                          : ParseLocalLine(keyword, line, store, state);
  return parsed && line.AtEnd();
}

Name Folded(const Name& name) {
  Name folded = name;
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

// True when no two names of a list are equal ignoring case.
template <typename T, typename Key>
bool NamesAreDistinct(const std::vector<T>& list, Key key) {
  std::unordered_set<Name> seen;
  seen.reserve(list.size());
  for (const T& entry : list) {
    if (!seen.insert(Folded(key(entry))).second) return false;
  }
  return true;
}

const Name& FunctionName(const FunctionEntry& entry) { return entry.name; }
const Name& ItsName(const Name& name) { return name; }

// Strictly in order, which also means no two are equal ignoring case.
bool ProvidersAreOrdered(const std::vector<ProviderRecord>& providers) {
  for (std::size_t i = 1; i < providers.size(); ++i) {
    if (!SortsBefore(providers[i - 1].name, providers[i].name) ||
        NamesEqual(providers[i - 1].name, providers[i].name)) {
      return false;
    }
  }
  return true;
}

bool ListsAreDistinct(const ConfigStore& store) {
  for (const Context& context : store.contexts) {
    for (const ContextInterface& table : context.interfaces) {
      if (!NamesAreDistinct(table.functions, FunctionName)) return false;
      for (const FunctionEntry& function : table.functions) {
        if (!NamesAreDistinct(function.providers, ItsName)) return false;
      }
    }
  }
  return true;
}

}  // namespace

std::string FormatStore(const ConfigStore& store) {
  std::string out;
  out += VERSION_LINE;
  out += "\n\n";
  out += PROVIDERS_SECTION;
  out.push_back('\n');
  for (const ProviderRecord& provider : store.providers) {
    AppendNamed(out, 0, "provider", provider.name);
    for (const Name& alias : provider.aliases) AppendNamed(out, 1, "alias", alias);
    if (provider.userMode) AppendImage(out, "user-mode", *provider.userMode);
    if (provider.kernelMode) AppendImage(out, "kernel-mode", *provider.kernelMode);
  }
  out.push_back('\n');
  out += LOCAL_SECTION;
  out.push_back('\n');
  for (const Context& context : store.contexts) {
    AppendNamed(out, 0, "context", context.name);
    for (const ContextInterface& table : context.interfaces) {
      AppendLine(out, 1, "interface ");
      AppendHex(out, table.id, 8);
      out.push_back('\n');
      for (const FunctionEntry& function : table.functions) {
        AppendNamed(out, 2, "function", function.name);
        for (const Name& provider : function.providers) AppendNamed(out, 3, "provider", provider);
      }
    }
  }
  out.push_back('\n');
  out += END_LINE;
  out.push_back('\n');
  return out;
}

bool ParseStore(std::string_view text, ConfigStore& store) {
  store = ConfigStore{};
  if (text.empty() || text.back() != '\n') return false;
  ParseState state;
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != VERSION_LINE) return false;
      first = false;
    } else if (!ParseLine(line, store, state)) {
      return false;
    }
  }
  if (state.section != Section::End) return false;
  // Written in order, so sorting is needed only for a hand-edited store.
  if (!ProvidersAreOrdered(store.providers)) {
    std::stable_sort(store.providers.begin(), store.providers.end(),
                     [](const ProviderRecord& a, const ProviderRecord& b) { return SortsBefore(a.name, b.name); });
    if (!ProvidersAreOrdered(store.providers)) return false;
  }
  if (!ListsAreDistinct(store)) return false;
  const bool hasDefault = std::any_of(store.contexts.begin(), store.contexts.end(),
                                      [](const Context& c) { return NamesEqual(c.name, DEFAULT_CONTEXT); });
  if (!hasDefault) store.contexts.insert(store.contexts.begin(), Context{DEFAULT_CONTEXT, {}});
  return true;
}

}  // namespace cngstore
