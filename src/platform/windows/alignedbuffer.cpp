#include "alignedbuffer.h"

#include <malloc.h>

namespace platform {

AlignedBuffer::AlignedBuffer(std::size_t size)
{
    // A zero size still gets a valid (one-byte) block, as on the other platforms.
    m_data = static_cast<unsigned char *>(_aligned_malloc(size ? size : 1, kAlignment));
    if (m_data != nullptr)
        m_size = size;
}

AlignedBuffer::~AlignedBuffer()
{
    _aligned_free(m_data);
}

}  // namespace platform
