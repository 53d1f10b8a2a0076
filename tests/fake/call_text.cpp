// Calls and scripts as text: what crosses between a test and the fake when
// the fake runs as bcrypt.dll in another process.
#include <cstdio>
#include <sstream>

#include "common/utf8.h"
#include "fake_bcrypt.h"

namespace fake_bcrypt {
namespace {

std::string Hex(ULONG value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08lx", static_cast<unsigned long>(value));
  return digits;
}

std::string Quoted(const Text& text) {
  std::string bytes = "\"";
  AppendUtf8(bytes, text.data(), text.size());
  bytes += '"';
  return bytes;
}

std::string List(const std::vector<Text>& names) {
  std::string out = "[";
  for (const Text& name : names) {
    if (out.size() > 1) out += ' ';
    out += Quoted(name);
  }
  out += ']';
  return out;
}

std::string Image(const std::optional<ImageCopy>& image) {
  if (!image) return "-";
  std::string out = "{";
  out += Quoted(image->image);
  out += " [";
  for (const InterfaceCopy& reg : image->interfaces) {
    out += '{';
    out += Hex(reg.id);
    out += " flags ";
    out += Hex(reg.flags);
    out += ' ';
    out += List(reg.functions);
    out += '}';
  }
  out += "]}";
  return out;
}

}  // namespace

std::string DescribeCall(const Call& call, const void* listing) {
  std::string line = call.function + " table " + Hex(call.table) + " context " +
                     (call.context ? Quoted(*call.context) : "-") + " interface " + Hex(call.interfaceId) +
                     " function " + Quoted(call.functionName) + " provider " + Quoted(call.provider) +
                     " position " + Hex(call.position) + " flags " + Hex(call.flags) + " record ";
  if (call.registration) {
    line += "{aliases " + List(call.registration->aliases) + " user " + Image(call.registration->userMode) +
            " kernel " + Image(call.registration->kernelMode) + "}";
  } else {
    line += "-";
  }
  line += " size " + Hex(call.sizeOnEntry) + (call.bufferNullOnEntry ? " buffer null" : " buffer set");
  line += " released ";
  line += call.released == nullptr ? "null" : call.released == listing ? "listing" : "other";
  return line;
}

// One item a line: "status <function> <8 hex digits>", "listing" (a
// buffer, empty so far), "name <UTF-16 code units, 4 hex digits each>", so
// that any name crosses exactly, lone surrogates included.
std::string FormatScript(const Script& script) {
  std::string text;
  for (const auto& [function, status] : script.statuses) {
    text += "status " + function + " " + Hex(static_cast<ULONG>(status)) + "\n";
  }
  if (script.listing) {
    text += "listing\n";
    for (const Text& name : *script.listing) {
      text += "name";
      for (const WideChar unit : name) {
        char digits[6];
        std::snprintf(digits, sizeof digits, " %04x", static_cast<unsigned>(unit));
        text += digits;
      }
      text += "\n";
    }
  }
  return text;
}

void LoadScript(const std::string& text) {
  Reset();
  std::optional<std::vector<Text>> listing;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("status ", 0) == 0) {
      const std::size_t space = line.rfind(' ');
      ScriptStatus(line.substr(7, space - 7),
                   static_cast<NTSTATUS>(std::stoul(line.substr(space + 1), nullptr, 16)));
    } else if (line == "listing") {
      listing.emplace();
    } else if (line.rfind("name", 0) == 0 && listing) {
      Text name;
      std::istringstream units(line.substr(4));
      for (unsigned unit = 0; units >> std::hex >> unit;) name.push_back(static_cast<WideChar>(unit));
      listing->push_back(name);
    }
  }
  if (listing) ScriptListing(*listing);
}

}  // namespace fake_bcrypt
