#include "tests/e2e/pe_resources.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::uint32_t U32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t U16(const std::string& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

struct Section {
  std::uint32_t va, size, raw;
};

// File offset of a relative virtual address.
bool Offset(const std::vector<Section>& sections, std::uint32_t rva, std::size_t* at) {
  for (const Section& s : sections) {
    if (rva >= s.va && rva < s.va + s.size) {
      *at = s.raw + (rva - s.va);
      return true;
    }
  }
  return false;
}

// UTF-16LE up to its terminator, from `at`; `end` receives the position after it.
std::string Utf16(const std::string& b, std::size_t at, std::size_t limit, std::size_t* end) {
  std::string out;
  std::size_t i = at;
  for (; i + 1 < limit; i += 2) {
    unsigned c = U16(b, i);
    if (c == 0) {
      i += 2;
      break;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < limit) {  // a surrogate pair
      c = 0x10000 + ((c - 0xD800) << 10) + (U16(b, i + 2) - 0xDC00);
      i += 2;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  if (end != nullptr) *end = i;
  return out;
}

std::size_t Align4(std::size_t v) { return (v + 3) & ~static_cast<std::size_t>(3); }

}  // namespace

bool ReadPeHeader(const std::string& path, PeHeader* out, std::string* error) {
  bool exists = false;
  const std::string b = ReadFile(path, &exists);
  const std::size_t pe = exists && b.size() >= 0x40 && b.compare(0, 2, "MZ") == 0 ? U32(b, 0x3C) : 0;
  if (pe == 0 || pe + 24 + 70 > b.size() || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    *error = "not a PE file: " + path;
    return false;
  }
  out->machine = U16(b, pe + 4);
  out->magic = U16(b, pe + 24);
  out->subsystem = U16(b, pe + 24 + 68);  // at the same place in PE32 and PE32+
  return true;
}

bool ReadPeResources(const std::string& path, std::vector<PeResource>* out, std::string* error) {
  bool exists = false;
  const std::string b = ReadFile(path, &exists);
  if (!exists || b.size() < 0x40 || b.compare(0, 2, "MZ") != 0) {
    *error = "not an MZ file: " + path;
    return false;
  }
  const std::size_t pe = U32(b, 0x3C);
  if (pe + 24 > b.size() || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    *error = "no PE header";
    return false;
  }
  const unsigned sectionCount = U16(b, pe + 6), optionalSize = U16(b, pe + 20);
  const std::size_t opt = pe + 24;
  const bool pe32plus = U16(b, opt) == 0x20B;
  const std::size_t dirs = opt + (pe32plus ? 112 : 96);
  const std::uint32_t resourceRva = U32(b, dirs + 2 * 8);
  std::vector<Section> sections;
  for (unsigned i = 0; i < sectionCount; ++i) {
    const std::size_t s = opt + optionalSize + i * 40;
    sections.push_back({U32(b, s + 12), std::max(U32(b, s + 8), U32(b, s + 16)), U32(b, s + 20)});
  }
  std::size_t root = 0;
  if (resourceRva == 0 || !Offset(sections, resourceRva, &root)) {
    *error = "no resource section";
    return false;
  }
  // Three levels: type, name, language; each entry's high bit marks a subdirectory.
  auto entries = [&](std::size_t dir, std::vector<std::pair<std::uint32_t, std::uint32_t>>* list) {
    const unsigned named = U16(b, dir + 12), ids = U16(b, dir + 14);
    for (unsigned i = 0; i < named + ids; ++i) {
      const std::size_t e = dir + 16 + i * 8;
      list->emplace_back(U32(b, e), U32(b, e + 4));
    }
  };
  std::vector<std::pair<std::uint32_t, std::uint32_t>> types;
  entries(root, &types);
  for (const auto& t : types) {
    if ((t.first & 0x80000000u) || !(t.second & 0x80000000u)) continue;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> names;
    entries(root + (t.second & 0x7FFFFFFFu), &names);
    for (const auto& n : names) {
      if ((n.first & 0x80000000u) || !(n.second & 0x80000000u)) continue;
      std::vector<std::pair<std::uint32_t, std::uint32_t>> languages;
      entries(root + (n.second & 0x7FFFFFFFu), &languages);
      for (const auto& l : languages) {
        if (l.second & 0x80000000u) continue;
        const std::size_t leaf = root + l.second;
        std::size_t data = 0;
        if (!Offset(sections, U32(b, leaf), &data) || data + U32(b, leaf + 4) > b.size()) continue;
        out->push_back({t.first, n.first, l.first, b.substr(data, U32(b, leaf + 4))});
      }
    }
  }
  return true;
}

bool ParseVersionInfo(const std::string& b, VersionInfo* info, std::string* error) {
  // A node: length, value length, type, key, padding, value, padding, children.
  struct Node {
    std::size_t begin, end, value, valueLength, children;
    unsigned type;
    std::string key;
  };
  auto node = [&](std::size_t at, Node* n) {
    const std::size_t length = U16(b, at);
    if (length < 6 || at + length > b.size()) return false;
    n->begin = at;
    n->end = at + length;
    n->valueLength = U16(b, at + 2);
    n->type = U16(b, at + 4);
    std::size_t after = 0;
    n->key = Utf16(b, at + 6, n->end, &after);
    n->value = Align4(after);
    const std::size_t valueBytes = n->type == 1 ? n->valueLength * 2 : n->valueLength;
    n->children = Align4(n->value + valueBytes);
    return true;
  };
  Node root;
  if (!node(0, &root) || root.key != "VS_VERSION_INFO" || root.valueLength < 52 ||
      U32(b, root.value) != 0xFEEF04BDu) {
    *error = "no VS_VERSION_INFO with a fixed file info";
    return false;
  }
  const std::size_t f = root.value;
  const std::uint32_t fv[4] = {U32(b, f + 8), U32(b, f + 12), U32(b, f + 16), U32(b, f + 20)};
  info->fileVersion[0] = fv[0] >> 16, info->fileVersion[1] = fv[0] & 0xFFFF;
  info->fileVersion[2] = fv[1] >> 16, info->fileVersion[3] = fv[1] & 0xFFFF;
  info->productVersion[0] = fv[2] >> 16, info->productVersion[1] = fv[2] & 0xFFFF;
  info->productVersion[2] = fv[3] >> 16, info->productVersion[3] = fv[3] & 0xFFFF;
  info->fileOs = U32(b, f + 32);
  info->fileType = U32(b, f + 36);
  for (std::size_t at = root.children; at + 6 <= root.end;) {
    Node child;
    if (!node(at, &child)) break;
    if (child.key == "StringFileInfo") {
      for (std::size_t t = child.children; t + 6 <= child.end;) {
        Node table;
        if (!node(t, &table)) break;
        for (std::size_t s = table.children; s + 6 <= table.end;) {
          Node str;
          if (!node(s, &str)) break;
          info->strings[table.key][str.key] = Utf16(b, str.value, str.end, nullptr);
          s = Align4(str.end);
        }
        t = Align4(table.end);
      }
    } else if (child.key == "VarFileInfo") {
      for (std::size_t v = child.children; v + 6 <= child.end;) {
        Node var;
        if (!node(v, &var)) break;
        if (var.key == "Translation") {
          for (std::size_t i = 0; i + 4 <= var.valueLength; i += 4)
            info->translations.push_back(static_cast<unsigned>(U16(b, var.value + i)) << 16 | U16(b, var.value + i + 2));
        }
        v = Align4(var.end);
      }
    }
    at = Align4(child.end);
  }
  return true;
}

}  // namespace e2e
