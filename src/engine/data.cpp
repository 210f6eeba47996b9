// Typed array elements.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/engine.h"
#include "engine/engine_data.h"

namespace {

template <class T>
T Load(const void* array, long index) {
  T v;
  std::memcpy(&v, static_cast<const char*>(array) + index * static_cast<long>(sizeof(T)), sizeof v);
  return v;
}

template <class T>
void Put(void* array, long index, T v) {
  std::memcpy(static_cast<char*>(array) + index * static_cast<long>(sizeof(T)), &v, sizeof v);
}

long long Whole(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<long long>(std::trunc(v));
}

}  // namespace

namespace engine {

int ElementSize(int dataType) {
  switch (dataType) {
    case VAL_CHAR:
      return 1;
    case VAL_SHORT_INTEGER:
    case VAL_UNSIGNED_SHORT_INTEGER:
      return 2;
    case VAL_INTEGER:
    case VAL_UNSIGNED_INTEGER:
    case VAL_FLOAT:
      return 4;
    case VAL_DOUBLE:
      return 8;
    default:
      return 0;
  }
}

double ElementValue(const void* array, int dataType, long index) {
  switch (dataType) {
    case VAL_CHAR:
      return Load<int8_t>(array, index);
    case VAL_SHORT_INTEGER:
      return Load<int16_t>(array, index);
    case VAL_UNSIGNED_SHORT_INTEGER:
      return Load<uint16_t>(array, index);
    case VAL_INTEGER:
      return Load<int32_t>(array, index);
    case VAL_UNSIGNED_INTEGER:
      return Load<uint32_t>(array, index);
    case VAL_FLOAT:
      return Load<float>(array, index);
    case VAL_DOUBLE:
      return Load<double>(array, index);
    default:
      return 0.0;
  }
}

void StoreElement(void* array, int dataType, long index, double value) {
  switch (dataType) {
    case VAL_CHAR:
      Put(array, index, static_cast<int8_t>(Whole(value)));
      break;
    case VAL_SHORT_INTEGER:
      Put(array, index, static_cast<int16_t>(Whole(value)));
      break;
    case VAL_UNSIGNED_SHORT_INTEGER:
      Put(array, index, static_cast<uint16_t>(Whole(value)));
      break;
    case VAL_INTEGER:
      Put(array, index, static_cast<int32_t>(Whole(value)));
      break;
    case VAL_UNSIGNED_INTEGER:
      Put(array, index, static_cast<uint32_t>(Whole(value)));
      break;
    case VAL_FLOAT:
      Put(array, index, static_cast<float>(value));
      break;
    case VAL_DOUBLE:
      Put(array, index, value);
      break;
    default:
      break;
  }
}

}  // namespace engine
