// Elements of the typed arrays that plots and files take (VAL_CHAR ... VAL_DOUBLE).
// Private to src/engine.
#pragma once

namespace engine {

// Bytes of one element; 0 for an unknown data type.
int ElementSize(int dataType);
double ElementValue(const void* array, int dataType, long index);
// Stores `value` converted to the element type; integers wrap like a C conversion of
// their bits (-1 into an unsigned 16-bit element gives 65535).
void StoreElement(void* array, int dataType, long index, double value);

}  // namespace engine
