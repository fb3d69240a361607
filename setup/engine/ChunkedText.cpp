#include "engine/ChunkedText.h"

namespace engine {

std::string_view ChunkedText::Append(std::initializer_list<std::string_view> pieces)
{
    std::size_t length = 0;
    for (const std::string_view piece : pieces)
        length += piece.size();
    // A block is filled only up to the room it was made with, so that its
    // bytes never move.
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < length) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(length > kBlockSize ? length : kBlockSize);
    }
    std::string& block = m_blocks.back();
    const std::size_t start = block.size();
    for (const std::string_view piece : pieces)
        block.append(piece.data(), piece.size());
    m_size += length;
    return std::string_view(block.data() + start, length);
}

std::string ChunkedText::str() const
{
    std::string text;
    text.reserve(m_size);
    for (const std::string& block : m_blocks)
        text += block;
    return text;
}

void ChunkedText::clear()
{
    std::vector<std::string>().swap(m_blocks);
    m_size = 0;
}

}  // namespace engine
