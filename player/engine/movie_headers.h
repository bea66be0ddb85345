// What the headers of an AVI file say about its video stream, read from the
// first bytes of the file before the multimedia stream opens it: some lies in
// them make the stream hang while it opens the file (a frame width of 0) or
// invent a timing (a frame rate of 0), which the player cannot tell afterwards.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct AviVideoHeaders {
    bool found;            // a RIFF AVI file whose first video stream has a header and a format
    bool headerlessStream; // a stream list, whole in the bytes read, without a stream header
                           // (or a video stream without its format)
    uint32_t scale, rate;  // the stream header's time base: rate / scale frames a second
    int32_t width, height; // the format's frame size (a negative height: rows stored top down)
};

// Reads the headers from the first size bytes of a file; found is false when
// they are not all in those bytes or the file is no AVI file.
AviVideoHeaders ReadAviVideoHeaders(const uint8_t *data, size_t size);

// The bytes of the start of a file that ReadAviVideoHeaders is given.
const size_t AVI_HEADER_BYTES = 65536;
