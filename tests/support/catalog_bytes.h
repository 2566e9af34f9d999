#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace mardo::test {

// Builds catalog files byte by byte, for files of every version and for broken ones.
class CatalogBytes {
 public:
  // Starts with the format word of `version`, and for versions above 2 (unless told not to) the
  // version field.
  explicit CatalogBytes(int version, bool versionField = true) : version_(version) {
    U32(static_cast<uint32_t>(version) * 1000000000u + 500410407u);
    if (version > 2 && versionField) Version(static_cast<int16_t>(version));
  }

  CatalogBytes& Version(int16_t v) { return I16(v); }
  CatalogBytes& Time(int32_t t) { return I32(t); }
  CatalogBytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>(v >> (8 * i)));
    return *this;
  }
  CatalogBytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  CatalogBytes& I16(int16_t v) {
    bytes_.push_back(static_cast<char>(static_cast<uint16_t>(v)));
    bytes_.push_back(static_cast<char>(static_cast<uint16_t>(v) >> 8));
    return *this;
  }
  CatalogBytes& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
  CatalogBytes& F64(double v) {
    const auto bits = std::bit_cast<uint64_t>(v);
    U32(static_cast<uint32_t>(bits));
    return U32(static_cast<uint32_t>(bits >> 32));
  }
  CatalogBytes& String(std::string_view s) {
    bytes_.push_back(static_cast<char>(s.size()));
    bytes_.append(s);
    return *this;
  }
  // The fields that only some versions have.
  CatalogBytes& RootIfAny(std::string_view root) { return version_ >= 2 ? String(root) : *this; }
  CatalogBytes& FreeIfAny(float mib) { return version_ >= 1 ? F32(mib) : *this; }
  CatalogBytes& Dir(std::string_view path, int32_t files = 0, double total = 0.0) {
    String(path);
    if (version_ >= 3) I32(files).F64(total);
    return *this;
  }
  CatalogBytes& File(int32_t time, int32_t length, int16_t dir, std::string_view name) {
    return I32(time).I32(length).I16(dir).String(name);
  }

  const std::string& Bytes() const { return bytes_; }

 private:
  int version_;
  std::string bytes_;
};

}  // namespace mardo::test
