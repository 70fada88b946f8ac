// Checks a compressed block by expanding it with the installer's decoder.
#ifndef SCRPACK_VERIFY_BLOCK_H
#define SCRPACK_VERIFY_BLOCK_H

#include "scrpack/bytes.h"

// True when the block expands to exactly original.
bool BlockExpandsTo(const Bytes &block, const Bytes &original);

#endif
