#include "alignedbuffer.h"

#include <cstdlib>

namespace platform {

AlignedBuffer::AlignedBuffer(std::size_t size)
{
    void *p = nullptr;
    // posix_memalign refuses a zero size on some libcs; a one-byte buffer is harmless.
    if (posix_memalign(&p, kAlignment, size ? size : 1) == 0) {
        m_data = static_cast<unsigned char *>(p);
        m_size = size;
    }
}

AlignedBuffer::~AlignedBuffer()
{
    free(m_data);
}

}  // namespace platform
