// The product's data directory, as the setup recorded it in the registry: value "datapath" of
// HKEY_LOCAL_MACHINE\SOFTWARE\Qandor\<productKey>.
#ifndef BASETDIC_STEPS_PRODUCT_DATA_PATH_H
#define BASETDIC_STEPS_PRODUCT_DATA_PATH_H

#include <stdint.h>

namespace basetdic {

// Reads "datapath" into buffer (capacity bytes) and appends one backslash, even after one already there,
// so a file name can follow directly. Returns the length of the text in the buffer.
//  - A null productKey or buffer, or a capacity below 1, gives 0 and touches nothing.
//  - A key that cannot be opened (or a key path over 259 characters) leaves the buffer as it was.
//  - A value that is missing, cannot be read, or does not fit with its backslash and terminator counts as
//    missing: the buffer is emptied and 0 returned. The buffer always ends terminated within capacity.
// The value's registry type is not examined.
int32_t ReadProductDataPath(const char* productKey, char* buffer, int32_t capacity);

}  // namespace basetdic

#endif
