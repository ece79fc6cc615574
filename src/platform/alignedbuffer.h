#pragma once

#include <cstddef>

namespace platform {

// One block of memory aligned for unbuffered I/O. Allocation may fail; check isNull().
class AlignedBuffer
{
public:
    static constexpr std::size_t kAlignment = 4096;

    explicit AlignedBuffer(std::size_t size);
    ~AlignedBuffer();
    AlignedBuffer(const AlignedBuffer &) = delete;
    AlignedBuffer &operator=(const AlignedBuffer &) = delete;

    bool isNull() const { return m_data == nullptr; }
    unsigned char *data() { return m_data; }
    const unsigned char *data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    unsigned char *m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace platform
