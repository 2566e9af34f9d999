#include "store/field.h"

#include "base/text_compare.h"

namespace mardo {
namespace {

enum class Category { kNone, kInteger, kReal, kText };

Category CategoryOf(int32_t kind) {
  switch (kind) {
    case kFieldU8:
    case kFieldI8:
    case kFieldU16:
    case kFieldI16:
    case kFieldI32:
    case kFieldTime:
    case kFieldI64:
      return Category::kInteger;
    case kFieldF32:
    case kFieldF64:
      return Category::kReal;
    case kFieldCharArray:
    case kFieldStringPtr:
    case kFieldBlock:
    case kFieldString:
      return Category::kText;
    default:
      return Category::kNone;
  }
}

bool Fits(Category category, const FieldValue& v) {
  switch (category) {
    case Category::kInteger:
      return v.type == FieldValue::Type::kInteger;
    case Category::kReal:
      return v.type == FieldValue::Type::kReal;
    case Category::kText:
      return v.type == FieldValue::Type::kText;
    case Category::kNone:
      break;
  }
  return false;
}

// The integer as the kind's width sees it (the low bits, as reading the field's first bytes would).
int64_t Narrow(int32_t kind, int64_t v) {
  switch (kind) {
    case kFieldU8:
      return static_cast<uint8_t>(v);
    case kFieldI8:
      return static_cast<int8_t>(v);
    case kFieldU16:
      return static_cast<uint16_t>(v);
    case kFieldI16:
      return static_cast<int16_t>(v);
    case kFieldI32:
      return static_cast<int32_t>(v);
    default:  // kFieldTime, kFieldI64
      return v;
  }
}

template <class F>
int CompareReal(F a, F b) {
  if (a > b) return 1;
  if (a == b) return 0;
  return -1;
}

}  // namespace

int CompareFieldValues(int32_t kind, const FieldValue& a, const FieldValue& b, bool ignoreCase) {
  const Category category = CategoryOf(kind);
  if (!Fits(category, a) || !Fits(category, b)) return 0;
  switch (kind) {
    case kFieldF32:
      return CompareReal(static_cast<float>(a.real), static_cast<float>(b.real));
    case kFieldF64:
      return CompareReal(a.real, b.real);
    case kFieldCharArray:
    case kFieldStringPtr:
      return CompareNoCase(a.text, b.text);
    case kFieldBlock:
      return CompareBytes(a.text, b.text);
    case kFieldString:
      return ignoreCase ? CompareNoCase(a.text, b.text) : CompareBytes(a.text, b.text);
    default: {
      const int64_t x = Narrow(kind, a.integer);
      const int64_t y = Narrow(kind, b.integer);
      return (x > y) - (x < y);
    }
  }
}

bool FieldValueMatches(int32_t kind, const FieldValue& field, const FieldValue& value) {
  const Category category = CategoryOf(kind);
  if (!Fits(category, field) || !Fits(category, value)) return false;
  switch (kind) {
    case kFieldF32:
      return static_cast<float>(field.real) == static_cast<float>(value.real);
    case kFieldF64:
      return field.real == value.real;
    case kFieldCharArray:
    case kFieldStringPtr:
    case kFieldBlock:
    case kFieldString:
      return field.text == value.text;
    default:
      return Narrow(kind, field.integer) == Narrow(kind, value.integer);
  }
}

}  // namespace mardo
