// The installer stub's layout that packaging relies on: the "LASTRES"
// resource is the first entry at every level of the resource tree and its
// four placeholder bytes are the last data of the resource section, so that
// cutting the stub at those bytes keeps everything else and the manifest
// that replaces them is found by the installer's own walk.
#ifndef SCRPACK_PE_STUB_LAYOUT_H
#define SCRPACK_PE_STUB_LAYOUT_H

#include <cstddef>
#include <string>

#include "scrpack/text/bytes.h"

struct StubLayout {
    size_t manifestOffset;       // file offset where the manifest starts
    unsigned optionalHeaderSize; // what the installer skips: 224, or 240 for PE32+
};

// Checks an installer stub, or an installer already packaged from one:
// everything up to the manifest must be all that the program needs, and
// the installer's first-entry walk must lead to the manifest.
bool CheckStubLayout(const Bytes &image, StubLayout *layout, std::string *error);

// The post-link step: moves the placeholder data to the last four bytes of
// the resource section's raw data (growing the section when there is no
// room), packs the other resource data in front of it, zeroes the image
// checksum and then checks the result.  Running it again changes nothing.
bool FixStubLayout(Bytes *image, std::string *error);

#endif
