#include "tests/support/memory_profile.h"

#include <cstring>

namespace wzrv {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool MemoryProfile::NoCase::operator()(const std::string& a, const std::string& b) const {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(Lower(a[i]));
    const unsigned char y = static_cast<unsigned char>(Lower(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::size_t MemoryProfile::GetString(const char* section, const char* key, const char* def,
                                     char* buf, std::size_t size) {
  if (buf == nullptr || size == 0) return 0;
  const char* text = def != nullptr ? def : "";
  if (section != nullptr && key != nullptr) {
    auto s = sections_.find(section);
    if (s != sections_.end()) {
      auto k = s->second.find(key);
      if (k != s->second.end()) text = k->second.c_str();
    }
  }
  std::size_t n = std::strlen(text);
  if (n > size - 1) n = size - 1;
  std::memcpy(buf, text, n);
  buf[n] = '\0';
  return n;
}

bool MemoryProfile::WriteString(const char* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr) return false;
  if (value == nullptr) {
    Erase(section, key);
  } else {
    sections_[section][key] = value;
  }
  ++writes;
  return true;
}

bool MemoryProfile::Has(const std::string& section, const std::string& key) const {
  auto s = sections_.find(section);
  return s != sections_.end() && s->second.count(key) != 0;
}

std::string MemoryProfile::Value(const std::string& section, const std::string& key) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return {};
  auto k = s->second.find(key);
  return k == s->second.end() ? std::string() : k->second;
}

void MemoryProfile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
  sections_[section][key] = value;
}

void MemoryProfile::Erase(const std::string& section, const std::string& key) {
  auto s = sections_.find(section);
  if (s != sections_.end()) s->second.erase(key);
}

std::size_t MemoryProfile::KeyCount(const std::string& section) const {
  auto s = sections_.find(section);
  return s == sections_.end() ? 0 : s->second.size();
}

}  // namespace wzrv
