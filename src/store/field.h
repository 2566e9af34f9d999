#pragma once

#include <cstdint>
#include <string_view>

namespace mardo {

// The kinds a record field can be searched and sorted as. The codes are stable: callers may pass
// any int32_t, and codes outside 0..13 behave like kFieldNone.
enum FieldKind : int32_t {
  kFieldU8 = 0,
  kFieldI8 = 1,
  kFieldU16 = 2,
  kFieldI16 = 3,
  kFieldI32 = 4,
  kFieldF32 = 5,
  kFieldF64 = 6,
  kFieldCharArray = 7,  // text held inside the record; compared without regard to case
  kFieldStringPtr = 8,  // text held elsewhere; compared without regard to case
  kFieldNone = 9,       // never matches, always equal
  kFieldBlock = 10,     // bytes of a known length; unsigned order, shorter first
  kFieldString = 11,    // text; case-insensitive while the array's ignoreCase flag is set
  kFieldTime = 12,      // signed seconds since 1970 (64-bit)
  kFieldI64 = 13,
};

// A field as read out of a record by a FieldGetter. Integer kinds take the low bits of `integer`
// (so an int32_t field read as kFieldU8 gives its low byte), real kinds `real`, text and block
// kinds `text`. A value of the wrong type for the kind behaves like kFieldNone.
struct FieldValue {
  enum class Type : uint8_t { kNone, kInteger, kReal, kText };

  Type type = Type::kNone;
  int64_t integer = 0;
  double real = 0.0;
  std::string_view text;

  static FieldValue Integer(int64_t v) { return {Type::kInteger, v, 0.0, {}}; }
  static FieldValue Real(double v) { return {Type::kReal, 0, v, {}}; }
  static FieldValue Text(std::string_view v) { return {Type::kText, 0, 0.0, v}; }
};

template <class T>
using FieldGetter = FieldValue (*)(const T&);

// One sort key: which field, and the kind it is compared as.
template <class T>
struct SortKey {
  FieldGetter<T> field;
  int32_t kind;
};

// Three-way comparison of two fields by `kind`: 1 when `a` orders after `b`, -1 before, 0 equal.
// Floats: 1 when a > b, 0 when equal, -1 otherwise (so an unordered pair gives -1).
int CompareFieldValues(int32_t kind, const FieldValue& a, const FieldValue& b, bool ignoreCase);

// Whether a record's `field` equals the searched `value` under the match rule of `kind`
// (text compares byte for byte, case counts).
bool FieldValueMatches(int32_t kind, const FieldValue& field, const FieldValue& value);

}  // namespace mardo
