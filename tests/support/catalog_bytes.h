#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace mardo::test {

// Builds catalog files byte by byte, for files of every version and for broken ones. Times, texts
// and file entries take the form of the version given.
class CatalogBytes {
 public:
  // Starts with the format word of `version` (version 4 has the word of version 3), and for
  // versions above 2 (unless told not to) the version field.
  explicit CatalogBytes(int version, bool versionField = true) : version_(version) {
    U32(static_cast<uint32_t>(std::min(version, 3)) * 1000000000u + 500410407u);
    if (version > 2 && versionField) Version(static_cast<int16_t>(version));
  }

  CatalogBytes& Version(int16_t v) { return I16(v); }
  CatalogBytes& Time(int64_t t) { return version_ >= 4 ? I64(t) : I32(static_cast<int32_t>(t)); }
  CatalogBytes& Byte(uint8_t v) {
    bytes_.push_back(static_cast<char>(v));
    return *this;
  }
  CatalogBytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>(v >> (8 * i)));
    return *this;
  }
  CatalogBytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  CatalogBytes& I64(int64_t v) {
    U32(static_cast<uint32_t>(static_cast<uint64_t>(v)));
    return U32(static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
  }
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
  // A version 0-3 string (one length byte), or a version-4 text (a length byte below 255, or
  // 255 and a u32 length).
  CatalogBytes& String(std::string_view s) {
    if (version_ >= 4 && s.size() >= 255) {
      Byte(255).U32(static_cast<uint32_t>(s.size()));
    } else {
      Byte(static_cast<uint8_t>(s.size()));
    }
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
  // A file entry; in version 4 led by its tag, each field narrow where it fits.
  CatalogBytes& File(int64_t time, int64_t length, int64_t dir, std::string_view name) {
    if (version_ < 4) {
      return I32(static_cast<int32_t>(time))
          .I32(static_cast<int32_t>(length))
          .I16(static_cast<int16_t>(dir))
          .String(name);
    }
    const bool wideTime = time != static_cast<int32_t>(time);
    const bool wideLength = length != static_cast<int32_t>(length);
    const bool wideDir = dir > 0xFFFF;
    Byte(static_cast<uint8_t>((wideTime ? 1 : 0) | (wideLength ? 2 : 0) | (wideDir ? 4 : 0)));
    wideTime ? I64(time) : I32(static_cast<int32_t>(time));
    wideLength ? I64(length) : I32(static_cast<int32_t>(length));
    wideDir ? U32(static_cast<uint32_t>(dir)) : I16(static_cast<int16_t>(static_cast<uint16_t>(dir)));
    return String(name);
  }

  const std::string& Bytes() const { return bytes_; }

 private:
  int version_;
  std::string bytes_;
};

}  // namespace mardo::test
