// Block sizes from the Windows C runtime.
#include "support/block_size.h"

#include <malloc.h>

std::size_t allocatedBlockSize(void* p) { return _msize(p); }
